// Tests of a rule against an item's Internet transport headers (one text,
// lines separated by CR LF), and the address inside a forward target.
//
// Pure functions; ConditionHolds' PatternError passes through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel::matching {

// The header lines of one item, split and indexed by name once, so that
// every header rule finds its line without scanning the text: a message may
// carry dozens of lines and a rule file hundreds of header rules. Folded
// continuation lines are not joined: only the text on a header's first line
// counts. Views point into the text given, which must outlive this object.
class HeaderLines {
 public:
  explicit HeaderLines(std::string_view headerText);

  // The trimmed value of the first line whose name (the text before its first
  // colon, trimmed) equals `name` ignoring case; nullopt when no line has it.
  // A later line with the same name is never looked at.
  [[nodiscard]] std::optional<std::string_view> FirstValue(std::string_view name) const;

 private:
  struct Line {
    std::string_view name, value;
  };
  // The first line of each ASCII name, by a hash of its lower case: ASCII
  // names are equal ignoring case exactly when their lower cases are.
  struct Slot {
    std::uint32_t hash = 0;
    std::uint32_t line = 0;  // index + 1; 0 marks an empty slot
  };

  [[nodiscard]] std::optional<std::size_t> FirstAsciiLine(std::string_view name) const;

  std::vector<Line> lines_;
  std::vector<Slot> slots_;                // open addressing, a power of two in size
  std::vector<std::uint32_t> otherNames_;  // lines whose names are not ASCII, in order
};

// The condition test on the first header line named `header`; false when the
// text is empty or no line has the name.
[[nodiscard]] bool MatchHeaderLine(std::string_view headerText, std::string_view header,
                                   std::string_view value);
[[nodiscard]] bool MatchHeaderLine(const HeaderLines& lines, std::string_view header,
                                   std::string_view value);

// Whether a condition value uses the line-break or tab words, which switch a
// rule to the whole-header-text test.
[[nodiscard]] bool UsesWholeHeaderText(std::string_view value);

// Replaces "vbCRLF" by CR LF and "vbTAB" by TAB (any letter case) in `value`,
// then searches the header text for header + ": " + value, ignoring case. The
// pattern language does not apply here.
[[nodiscard]] bool WholeHeaderTextMatches(std::string_view headerText, std::string_view header,
                                          std::string_view value);

// The address between the first "<" and the first ">" when the first "<"
// precedes the first "@" and that precedes the first ">"; otherwise the text.
[[nodiscard]] std::string ExtractAddress(std::string_view target);

}  // namespace quarvel::matching
