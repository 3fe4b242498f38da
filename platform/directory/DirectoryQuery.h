// The directory's SQL dialect, as far as the setup program's lookups use it:
//
//   SELECT attr {, attr}
//   FROM 'GC://host'
//   [WHERE condition]
//   [ORDER BY attr [ASC | DESC]]
//
//   condition := term {OR term}
//   term      := factor {AND factor}
//   factor    := NOT factor | ( condition ) | attr = 'value'
//
// NOT binds tighter than AND, AND tighter than OR. Keywords ignore case;
// blanks, tabs and line breaks separate tokens freely. Attribute names are
// letters, digits and "-", starting with a letter. A value is in single
// quotes, a doubled quote standing for one ('Bob''s'); '*' and other
// wildcards are ValuePattern's. The provider name "GC:" is written as the
// platform spells it, in capitals.
//
// Anything else (another keyword or operator, an unquoted value, SELECT *,
// a search base after the host, nesting deeper than kMaxNesting, trailing
// text) is refused whole with PlatformError(kErrErrorsInCommand) naming the
// byte offset where reading stopped: a query is never half understood.
// Whether the host is this directory's is for the search to say. Pure;
// thread-safe.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel::platform::directory {

inline constexpr std::size_t kMaxNesting = 64;

struct Condition {
  enum class Kind { kCompare, kAnd, kOr, kNot };
  Kind kind = Kind::kCompare;
  std::string attribute;            // kCompare only
  std::string value;                // kCompare only, quotes undone
  std::vector<Condition> operands;  // kAnd, kOr: two or more; kNot: one
  bool operator==(const Condition&) const = default;
};

struct SortKey {
  std::string attribute;
  bool descending = false;
  bool operator==(const SortKey&) const = default;
};

struct DirectoryQuery {
  std::vector<std::string> select;  // as written, in order
  std::string host;                 // after "GC://"
  std::size_t hostOffset = 0;       // where the FROM path starts, for messages
  std::optional<Condition> where;
  std::optional<SortKey> orderBy;
  bool operator==(const DirectoryQuery&) const = default;
};

[[nodiscard]] DirectoryQuery ParseDirectoryQuery(std::string_view text);

}  // namespace quarvel::platform::directory
