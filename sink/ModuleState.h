// The sink's per-thread module state. Every thread that runs sink code has its
// own copy, created empty the first time the thread runs sink code and kept
// for the life of the thread; nothing here is shared between threads or
// locked. The begin phase of every save refills the rule lists from the rule
// file; the commit phase of the same save, on the same thread, reads them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quarvel::sink {

struct ModuleState {
  std::string RuleFilePath;
  // One entry per rule in file order (index 0 = rule 1), then one empty entry.
  std::vector<std::string> TargetList;
  std::vector<std::string> HeaderList;
  std::vector<std::string> ValueList;
  std::vector<std::string> ActionList;
  // Highest index that rule evaluation visits: the rule count (the trailing
  // empty entry never matches), or -1 with no rules at all.
  std::int16_t LastRuleIndex = 0;
  std::string PickupPath;
  // The rule being evaluated; in the commit phase, the item's move target.
  std::string CurrentTarget;
  std::string CurrentHeader;
  std::string CurrentValue;
};

// This thread's state.
[[nodiscard]] ModuleState& ThreadState();

}  // namespace quarvel::sink
