// Feeds arbitrary bytes to the condition test. The input is split at the first
// newline into value and pattern (no newline: the halves), so corpus files stay
// readable. Only PatternError may escape; anything else, a crash or a broken
// invariant is a bug.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/basParser.h"

namespace {

using quarvel::matching::PatternError;

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t split = input.find('\n');
  std::size_t skip = 1;
  if (split == std::string_view::npos) {
    split = size / 2;
    skip = 0;
  }
  const std::string_view value = input.substr(0, split);
  const std::string_view pattern = input.substr(split + skip);

  try {
    const bool holds = quarvel::matching::ConditionHolds(value, pattern);
    if (value.empty()) Require(!holds);
  } catch (const PatternError&) {
  }

  // A matching pattern must keep matching with a star in front.
  try {
    if (quarvel::matching::Like(value, pattern)) {
      Require(quarvel::matching::Like(value, "*" + std::string(pattern)));
    }
  } catch (const PatternError&) {
  }

  Require(quarvel::matching::Like(value, "*"));
  Require(!std::isnan(quarvel::matching::Val(value)));
  return 0;
}
