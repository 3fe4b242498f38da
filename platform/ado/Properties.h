// Named values of a command (the "Properties" collection): names compare
// without regard to ASCII letter case, as the data layer's do.
#pragma once

#include <algorithm>
#include <map>
#include <string>
#include <string_view>

#include "common/Text.h"
#include "platform/ado/Variant.h"

namespace quarvel::platform::ado {

// Orders names ignoring ASCII letter case.
struct NameLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Fold(x) < Fold(y); });
  }
  static char Fold(char c) { return text::AsciiLower(c); }
};

using Properties = std::map<std::string, Variant, NameLess>;

}  // namespace quarvel::platform::ado
