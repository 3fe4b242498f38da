// Embedding a value in a query text between quotes: every occurrence of the
// quote character inside the value is doubled, so a user named O'Brien or a
// folder called Bob's stays one value and cannot end the literal early or
// add to the query.
#pragma once

#include <string>
#include <string_view>

namespace quarvel::setup {

// `value` with every `quote` doubled (the caller writes the enclosing quotes).
[[nodiscard]] std::string QuoteInQuery(std::string_view value, char quote = '\'');

}  // namespace quarvel::setup
