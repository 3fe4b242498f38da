// The phase routines of a store event. QuarvelCls dispatches every event to
// exactly one of them, with the item's record, the item's URL and the event
// flags.
//
// SaveBegin classifies the saved item and, at the first matching rule of this
// thread's rule lists, deletes it or marks it for a move or a forward; posted
// items become ordinary mail. It skips any step that fails and goes on.
//
// SaveCommit carries out the marks once the store has committed the item:
// a move into the target folder under a new GUID name, or a forward through
// the pickup directory followed by the item's deletion. Its first failing
// step throws and ends it; the item then stays where it is, marked.
//
// The abort and delete routines take the record and change nothing.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "sink/RuleMatching.h"
#include "sink/SinkServices.h"
#include "sink/StoreAccess.h"

namespace quarvel::sink {

// What a begin phase decided, for the administrator's dry run.
enum class BeginAction {
  kNotMail,        // not an incoming item, or a class the rules leave alone
  kNoRule,         // no rule matched
  kHandledBefore,  // a rule matched, but the item was forwarded here before
  kDelete,         // a delete rule matched; the delete was issued
  kReturning,      // a forward rule names this folder: the first folder was recorded
  kForward,        // marked for a forward
  kMove,           // marked for a move
};

struct BeginReport {
  std::vector<RuleVisit>* visits = nullptr;  // when given: every rule looked at
  BeginAction action = BeginAction::kNotMail;
  std::optional<std::size_t> rule;  // the rule that matched (0-based)
};

void SaveBegin(StoreAccess& record, const std::string& bstrURLItem, long lFlags,
               BeginReport* report = nullptr);
void SaveCommit(StoreAccess& record, const std::string& bstrURLItem, long lFlags,
                const SinkServices& services);
void SaveAbort(StoreAccess& record, const std::string& bstrURLItem, long lFlags);
void DeleteBegin(StoreAccess& record, const std::string& bstrURLItem, long lFlags);
void DeleteCommit(StoreAccess& record, const std::string& bstrURLItem, long lFlags);
void DeleteAbort(StoreAccess& record, const std::string& bstrURLItem, long lFlags);

// Whether the flags describe an item that came by delivery or replication
// and is not a folder: the only items the sink acts on.
[[nodiscard]] bool IsIncomingItem(long lFlags);

}  // namespace quarvel::sink
