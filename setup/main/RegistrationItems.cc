#include "setup/main/RegistrationItems.h"

#include "platform/PlatformError.h"
#include "platform/ado/Connection.h"
#include "platform/ado/ConnectionRecord.h"
#include "setup/main/ErrorLog.h"
#include "setup/main/EventPriority.h"

namespace quarvel::setup {

using platform::PlatformError;
namespace ado = platform::ado;

std::string RegistrationUrl(const std::string& base, const std::string& first,
                            const std::string& second) {
  std::string url = base;
  if (!first.empty()) url += "/" + first;
  if (!second.empty()) url += "/" + second;
  return url;
}

RegistrationItems::RegistrationItems(const SetupContext& context) : context_(context) {}

std::string RegistrationItems::StoreWideBase() const {
  return context_.state.publicFolderRootUrl + "non_ipm_subtree";
}

std::string RegistrationItems::StoreWideFolder() const {
  return "StoreEvents" + context_.state.publicStoreId + "/GlobalEvents";
}

std::int16_t RegistrationItems::RegistrationItemExists(const std::string& base,
                                                       const std::string& first,
                                                       const std::string& second, bool log) {
  std::int16_t result = -1;
  const std::string container = RegistrationUrl(base, first, "");
  const std::string item = RegistrationUrl(base, first, second);
  ado::Connection& connection = context_.window.storeConnection;
  try {
    ado::ConnectionRecord record;
    record.Open(container, &connection, ado::adModeReadWrite, ado::adFailIfNotExists,
                ado::adOpenRecordUnspecified, "", "");
    record.Close();
    record.Open(item, &connection, ado::adModeRead, ado::adFailIfNotExists,
                ado::adOpenRecordUnspecified, "", "");
    result = 1;
    record.Close();
  } catch (const PlatformError& error) {
    if (error.Number() == platform::kErrNotFound) {
      result = 0;
    } else if (log) {
      context_.log.LogError(item, error);
    }
  }
  return result;
}

std::string RegistrationItems::CreateRegistrationItem(
    const std::string& base, const std::string& first, const std::string& second,
    const std::string& eventMethod, const std::string& sinkClass, const std::string& matchScope,
    const std::string& criteria, const std::string& priority, bool log) {
  const std::string item = RegistrationUrl(base, first, second);
  ado::Connection& connection = context_.window.storeConnection;
  try {
    // The store would take any text; the sink's order must not depend on a
    // typing slip, so only a priority the window accepts is ever written.
    const auto number = ParseEventPriority(priority);
    if (!number) {
      throw PlatformError(platform::kErrInvalidArgument,
                          "the event sink priority \"" + priority +
                              "\" is no whole number from 0 (highest) to 65535 (lowest)");
    }
    connection.BeginTrans();
    {
      ado::ConnectionRecord record;
      record.Open(item, &connection, ado::adModeReadWrite, ado::adCreateOverwrite,
                  ado::adDelayFetchFields, "", "");
      ado::Fields& fields = record.GetFields();
      fields.SetValue(kFieldContentClass, kRegistrationContentClass);
      fields.SetValue(kPropEventMethod, eventMethod);
      fields.SetValue(kPropSinkClass, sinkClass);
      fields.SetValue(kPropMatchScope, matchScope);
      fields.SetValue(kPropCriteria, criteria);
      fields.SetValue(kPropPriority, std::to_string(*number));
      fields.SetValue(kFieldIsHidden, true);
      fields.Update();
      record.Close();
    }
    connection.CommitTrans();
    return item;
  } catch (const PlatformError& error) {
    if (log) context_.log.LogError(item, error);
    try {
      if (connection.InTransaction()) connection.RollbackTrans();
    } catch (const PlatformError&) {
      // Closing the connection rolls back whatever is still open.
    }
  }
  return "";
}

bool RegistrationItems::DeleteRegistrationItem(const std::string& base, const std::string& first,
                                               const std::string& second, bool log) {
  const std::string item = RegistrationUrl(base, first, second);
  try {
    ado::ConnectionRecord record;
    record.Open(item, &context_.window.storeConnection, ado::adModeReadWrite,
                ado::adFailIfNotExists, ado::adOpenRecordUnspecified, "", "");
    record.DeleteRecord("", false);
    record.Close();
    return true;
  } catch (const PlatformError& error) {
    if (log) context_.log.LogError(item, error);
  }
  return false;
}

}  // namespace quarvel::setup
