#include "platform/store/provider/StoreSession.h"

#include <algorithm>
#include <utility>

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/store/provider/FolderQuery.h"
#include "platform/store/provider/FolderSearch.h"
#include "platform/store/provider/StoreFolder.h"
#include "platform/store/provider/StoreMessage.h"
#include "platform/store/provider/StoreProviderSession.h"
#include "platform/store/provider/StoreRecord.h"
#include "platform/store/provider/UrlForm.h"

namespace quarvel::platform::store {
namespace {

bool IsProgId(std::string_view given, std::string_view progId) {
  return text::EqualsAsciiIgnoreCase(given, progId);
}

}  // namespace

StoreSession::StoreSession(PublicStore& store, ServerFacts facts)
    : store_(store), facts_(std::move(facts)) {}

std::unique_ptr<IUnknown> StoreSession::CreateObject(std::string_view progId) {
  return CreateObjectOn(progId, store_);
}

std::unique_ptr<IUnknown> StoreSession::CreateObjectOn(std::string_view progId,
                                                       StoreOperations& operations) {
  if (IsProgId(progId, "ADODB.Record")) return std::make_unique<StoreRecord>(*this, &operations);
  if (IsProgId(progId, "CDO.Folder")) return std::make_unique<StoreFolder>(*this, &operations);
  if (IsProgId(progId, "CDO.Message")) return std::make_unique<StoreMessage>(*this, &operations);
  return nullptr;
}

void StoreSession::RegisterProvider(ado::ProviderRegistry& registry) {
  registry.Register(std::string(kStoreProviderName), [this](const ado::ConnectionInfo& info) {
    return std::make_unique<StoreProviderSession>(*this, info);
  });
}

std::unique_ptr<ado::Record> StoreSession::OpenEventRecord(const std::string& url,
                                                           StoreOperations* operations) {
  auto record = std::make_unique<StoreRecord>(*this, operations);
  record->Open(url, nullptr, ado::adModeReadWrite, ado::adFailIfNotExists,
               ado::adOpenRecordUnspecified, "", "");
  if (record->IsFolder()) {
    throw PlatformError(kErrNotFound, "no item at '" + url + "' (it is a folder)");
  }
  return record;
}

ado::Rowset StoreSession::QueryFolders(const std::string& text) const {
  return SearchFolders(store_, ParseFolderQuery(text), facts_.hostName);
}

std::string StoreSession::HttpUrl(const StorePath& path) const {
  return UrlForm::Http("http://" + facts_.hostName).Url(path);
}

std::string StoreSession::FileUrl(const StorePath& path) const {
  return UrlForm::File(facts_.mailDomain).Url(path);
}

}  // namespace quarvel::platform::store
