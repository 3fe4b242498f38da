// The store's provider session with chosen calls failing, so that a caller's
// handling of a store that breaks while it writes can be tested in a folder
// that is perfectly readable: a registration item whose fields cannot be
// updated, a transaction that cannot commit, a deletion that fails.
//
// A plan (ProviderFailurePlan) names the kind of call that fails, which one
// of its kind (the Nth, counted from 1 across every session made with the
// plan, or every one), and for calls on a record, a text the record's URL
// must contain for the call to count at all. Everything else is passed to
// the real session unchanged. A failing CommitTrans rolls the transaction
// back first, as a commit that fails does: nothing of it stays.
//
// The session is a StoreProviderSession, so records opened through it take
// part in its transaction as the real provider's records do. The plan and
// the store session must outlive every session made with them. One thread
// at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/PlatformError.h"
#include "platform/ado/ProviderRegistry.h"
#include "platform/store/provider/StoreProviderSession.h"

namespace quarvel::platform::store {

enum class ProviderCall {
  kNone,          // nothing fails
  kOpenRecord,    // Record.Open through the connection
  kFieldsUpdate,  // Fields.Update of a record opened through the connection
  kDeleteRecord,  // Record.DeleteRecord
  kExecute,       // a command text (folder query)
  kBeginTrans,
  kCommitTrans,
  kRollbackTrans,
};

struct ProviderFailurePlan {
  ProviderCall call = ProviderCall::kNone;
  // Which call of that kind fails, from 1; 0 makes every one fail.
  int nth = 1;
  // Record calls only: a call counts only when the record's URL contains this.
  std::string urlContains;
  std::int32_t number = kErrFail;

  // Calls of the planned kind that counted so far, and how many failed.
  int counted = 0;
  int failed = 0;

  // Counts one call of `kind` on `url`; throws PlatformError(number,
  // "simulated failure of <what> (call N)") when it is the one to fail.
  void Count(ProviderCall kind, const char* what, const std::string& url = "");
};

class FailingStoreProviderSession : public StoreProviderSession {
 public:
  FailingStoreProviderSession(StoreSession& owner, const ado::ConnectionInfo& info,
                              ProviderFailurePlan& plan);

  std::unique_ptr<ado::Record> OpenRecord(const std::string& source, ado::Connection& connection,
                                          ado::ConnectMode mode,
                                          ado::RecordCreateOptions createOptions,
                                          ado::RecordOpenOptions options,
                                          const std::string& userName,
                                          const std::string& password) override;
  ado::Rowset Execute(const std::string& commandText, const ado::Properties& properties) override;
  void BeginTrans() override;
  void CommitTrans() override;
  void RollbackTrans() override;

 private:
  ProviderFailurePlan& plan_;
};

// Registers "ExOLEDB.DataSource" in `registry` with sessions that fail as
// `plan` says, instead of StoreSession::RegisterProvider's.
void RegisterFailingStoreProvider(ado::ProviderRegistry& registry, StoreSession& session,
                                  ProviderFailurePlan& plan);

}  // namespace quarvel::platform::store
