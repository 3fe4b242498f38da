#include "setup/discovery/QueryLiteral.h"

namespace quarvel::setup {

std::string QuoteInQuery(std::string_view value, char quote) {
  std::string quoted;
  quoted.reserve(value.size());
  for (const char c : value) {
    quoted += c;
    if (c == quote) quoted += c;
  }
  return quoted;
}

}  // namespace quarvel::setup
