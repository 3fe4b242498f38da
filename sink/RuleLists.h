// The module state's rule lists (targets, headers, values, actions) filled
// from a loaded rule file: one field of every rule, then the empty entry
// after the last rule, as the sink's evaluation expects them.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/RuleFileReader.h"

namespace quarvel::sink {

// Fills `list` with one field of every rule, then the empty entry after the
// last rule; without rules the list is empty. The list's strings are reused,
// and a string that holds its text already is left as it is: the file seldom
// changes from one load to the next.
void FillRuleList(std::vector<std::string>& list, std::span<const RuleFileReader::RuleView> rules,
                  std::string_view RuleFileReader::RuleView::*field);

}  // namespace quarvel::sink
