#include "platform/store/provider/FailingStoreProviderSession.h"

#include <utility>
#include <vector>

namespace quarvel::platform::store {
namespace {

// Passes everything to the record's own fields; only Update counts.
class FailingFields : public ado::Fields {
 public:
  FailingFields(ProviderFailurePlan& plan, const std::string& url) : plan_(plan), url_(url) {}
  void Bind(ado::Fields* inner) { inner_ = inner; }

  ado::Variant Value(const std::string& name) const override { return inner_->Value(name); }
  void SetValue(const std::string& name, const ado::Variant& value) override {
    inner_->SetValue(name, value);
  }
  void Append(const std::string& name, ado::DataType type, long definedSize,
              ado::FieldAttribute attributes, const ado::Variant& value) override {
    inner_->Append(name, type, definedSize, attributes, value);
  }
  void Delete(const std::string& name) override { inner_->Delete(name); }
  void Update() override {
    plan_.Count(ProviderCall::kFieldsUpdate, "Fields.Update", url_);
    inner_->Update();
  }
  std::vector<std::string> Names() const override { return inner_->Names(); }

 private:
  ProviderFailurePlan& plan_;
  const std::string& url_;
  ado::Fields* inner_ = nullptr;
};

class FailingRecord : public ado::Record {
 public:
  FailingRecord(ProviderFailurePlan& plan, std::string url, std::unique_ptr<ado::Record> inner)
      : plan_(plan), url_(std::move(url)), inner_(std::move(inner)), fields_(plan, url_) {}

  ado::Fields& GetFields() override {
    fields_.Bind(&inner_->GetFields());
    return fields_;
  }
  std::string ParentURL() override { return inner_->ParentURL(); }
  void Open(const std::string& source, ado::Connection* activeConnection, ado::ConnectMode mode,
            ado::RecordCreateOptions createOptions, ado::RecordOpenOptions options,
            const std::string& userName, const std::string& password) override {
    plan_.Count(ProviderCall::kOpenRecord, "Record.Open", source);
    inner_->Open(source, activeConnection, mode, createOptions, options, userName, password);
    url_ = source;
  }
  void Close() override { inner_->Close(); }
  void DeleteRecord(const std::string& source, bool async) override {
    plan_.Count(ProviderCall::kDeleteRecord, "Record.DeleteRecord", source.empty() ? url_ : source);
    inner_->DeleteRecord(source, async);
  }
  std::string MoveRecord(const std::string& source, const std::string& destination,
                         const std::string& userName, const std::string& password,
                         ado::MoveRecordOptions options, bool async) override {
    return inner_->MoveRecord(source, destination, userName, password, options, async);
  }

 private:
  ProviderFailurePlan& plan_;
  std::string url_;
  std::unique_ptr<ado::Record> inner_;
  FailingFields fields_;
};

}  // namespace

void ProviderFailurePlan::Count(ProviderCall kind, const char* what, const std::string& url) {
  if (kind != call || call == ProviderCall::kNone) return;
  if (!urlContains.empty() && url.find(urlContains) == std::string::npos) return;
  ++counted;
  if (nth != 0 && counted != nth) return;
  ++failed;
  throw PlatformError(number, std::string("simulated failure of ") + what + " (call " +
                                  std::to_string(counted) + ")");
}

FailingStoreProviderSession::FailingStoreProviderSession(StoreSession& owner,
                                                         const ado::ConnectionInfo& info,
                                                         ProviderFailurePlan& plan)
    : StoreProviderSession(owner, info), plan_(plan) {}

std::unique_ptr<ado::Record> FailingStoreProviderSession::OpenRecord(
    const std::string& source, ado::Connection& connection, ado::ConnectMode mode,
    ado::RecordCreateOptions createOptions, ado::RecordOpenOptions options,
    const std::string& userName, const std::string& password) {
  plan_.Count(ProviderCall::kOpenRecord, "Record.Open", source);
  return std::make_unique<FailingRecord>(
      plan_, source,
      StoreProviderSession::OpenRecord(source, connection, mode, createOptions, options, userName,
                                       password));
}

ado::Rowset FailingStoreProviderSession::Execute(const std::string& commandText,
                                                 const ado::Properties& properties) {
  plan_.Count(ProviderCall::kExecute, "Execute");
  return StoreProviderSession::Execute(commandText, properties);
}

void FailingStoreProviderSession::BeginTrans() {
  plan_.Count(ProviderCall::kBeginTrans, "BeginTrans");
  StoreProviderSession::BeginTrans();
}

void FailingStoreProviderSession::CommitTrans() {
  try {
    plan_.Count(ProviderCall::kCommitTrans, "CommitTrans");
  } catch (const PlatformError&) {
    // A commit that fails keeps nothing of the transaction.
    if (Transaction() != nullptr) StoreProviderSession::RollbackTrans();
    throw;
  }
  StoreProviderSession::CommitTrans();
}

void FailingStoreProviderSession::RollbackTrans() {
  plan_.Count(ProviderCall::kRollbackTrans, "RollbackTrans");
  StoreProviderSession::RollbackTrans();
}

void RegisterFailingStoreProvider(ado::ProviderRegistry& registry, StoreSession& session,
                                  ProviderFailurePlan& plan) {
  registry.Register(std::string(kStoreProviderName),
                    [&session, &plan](const ado::ConnectionInfo& info) {
                      return std::make_unique<FailingStoreProviderSession>(session, info, plan);
                    });
}

}  // namespace quarvel::platform::store
