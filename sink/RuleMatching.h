// Finding the rule that decides for an item: the rules of this thread's
// module state are visited in file order and the first whose condition holds
// wins. Used by the begin phase and, with a record of every rule visited, by
// the administrator's dry run.
//
// A rule with an empty header or target never matches; "subject" and
// "IMFSCL" (any letter case) test the item's subject and spam confidence
// level; any other header is looked up in the transport headers, by its first
// line or, when the condition uses the line-break or tab words, in the whole
// header text. A rule whose test fails (an unreadable property, an invalid
// pattern) does not match. Nothing here throws or changes the item.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "common/RuleFileReader.h"
#include "sink/ModuleState.h"
#include "sink/StoreAccess.h"

namespace quarvel::sink {

// How one rule fared, for a person reading the dry run.
struct RuleVisit {
  int number = 0;       // 1 for the first rule
  std::string header;   // the rule's condition header
  std::string pattern;  // the rule's condition value
  std::string tested;   // the text the condition was tested against
  bool matched = false;
  std::string why;  // e.g. "no X-Spam-Flag line", "invalid pattern: ..."
};

// Fills the module state's rule lists and pickup path from a loaded rule
// file, reusing the lists' memory.
void LoadRules(ModuleState& state, const RuleFileReader& rules);

// The index (0-based) of the first matching rule, leaving it in the state's
// CurrentTarget, CurrentHeader and CurrentValue; nullopt when none matches,
// and those fields then hold the last rule visited.
// With `visits`, every rule looked at is described there.
[[nodiscard]] std::optional<std::size_t> FindMatchingRule(StoreAccess& record, ModuleState& state,
                                                          std::vector<RuleVisit>* visits = nullptr);

}  // namespace quarvel::sink
