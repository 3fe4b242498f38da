#include "platform/directory/DirectoryQuery.h"

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/directory/DirectoryErrors.h"

namespace quarvel::platform::directory {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameChar(char c) { return IsLetter(c) || IsDigit(c) || c == '-'; }
using text::AsciiLower;
using text::EqualsAsciiIgnoreCase;

constexpr std::string_view kProvider = "GC://";

// Words that end a list or start a clause, so they name no attribute.
bool IsReserved(std::string_view word) {
  for (const std::string_view keyword :
       {"SELECT", "FROM", "WHERE", "AND", "OR", "NOT", "ORDER", "BY", "ASC", "DESC"}) {
    if (EqualsAsciiIgnoreCase(word, keyword)) return true;
  }
  return false;
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  DirectoryQuery Query() {
    DirectoryQuery query;
    Keyword("SELECT");
    do {
      query.select.push_back(Name("an attribute name"));
    } while (TryChar(','));
    Keyword("FROM");
    ReadFrom(query);
    if (TryKeyword("WHERE")) query.where = Or(0);
    if (TryKeyword("ORDER")) {
      Keyword("BY");
      SortKey key{Name("an attribute name to sort by")};
      if (TryKeyword("DESC")) {
        key.descending = true;
      } else {
        (void)TryKeyword("ASC");
      }
      query.orderBy = std::move(key);
    }
    SkipBlanks();
    if (pos_ != text_.size()) {
      Fail(query.orderBy ? "the end of the query" : "WHERE, ORDER BY or the end of the query");
    }
    return query;
  }

 private:
  [[noreturn]] void Fail(const std::string& expected) const { FailAt(pos_, expected); }

  [[noreturn]] void FailAt(std::size_t pos, const std::string& expected) const {
    std::string found = "the end of the query";
    if (pos < text_.size()) {
      found = "'" + std::string(text_.substr(pos, 20)) + "'";
      for (char& c : found) {
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
      }
    }
    throw PlatformError(kErrErrorsInCommand, "directory query: expected " + expected +
                                                 " at offset " + std::to_string(pos) + ", found " +
                                                 found);
  }

  void SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  }

  // The word at the current position (letters, digits, "-"), not consumed.
  std::string_view PeekWord() {
    SkipBlanks();
    std::size_t end = pos_;
    while (end < text_.size() && IsNameChar(text_[end])) ++end;
    return text_.substr(pos_, end - pos_);
  }

  bool TryKeyword(std::string_view keyword) {
    const auto word = PeekWord();
    if (!EqualsAsciiIgnoreCase(word, keyword)) return false;
    pos_ += word.size();
    return true;
  }
  void Keyword(std::string_view keyword) {
    if (!TryKeyword(keyword)) Fail(std::string(keyword));
  }

  bool TryChar(char c) {
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == c) {
      ++pos_;
      return true;
    }
    return false;
  }
  void Char(char c) {
    if (!TryChar(c)) Fail(std::string("'") + c + "'");
  }

  std::string Name(const char* expected) {
    const auto word = PeekWord();
    if (word.empty() || !IsLetter(word.front()) || IsReserved(word)) Fail(expected);
    pos_ += word.size();
    return std::string(word);
  }

  // A text in single quotes, a doubled quote standing for one.
  std::string Quoted(const char* expected) {
    SkipBlanks();
    if (pos_ >= text_.size() || text_[pos_] != '\'') Fail(expected);
    const std::size_t start = pos_++;
    std::string value;
    while (true) {
      if (pos_ >= text_.size()) FailAt(start, "a closing ' for the text starting here");
      if (text_[pos_] == '\'') {
        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
          value += '\'';
          pos_ += 2;
          continue;
        }
        ++pos_;
        return value;
      }
      value += text_[pos_++];
    }
  }

  void ReadFrom(DirectoryQuery& query) {
    SkipBlanks();
    const std::size_t start = pos_;
    const std::string path = Quoted("the directory path in single quotes ('GC://host')");
    // Offsets inside the path point into the query as written; a doubled
    // quote before them would shift them, so the path's start is named then.
    const bool exact = path.size() + 2 == pos_ - start;
    const auto failInside = [&](std::size_t at, const std::string& expected) {
      FailAt(exact ? start + 1 + at : start, expected);
    };
    if (path.compare(0, kProvider.size(), kProvider) != 0) {
      failInside(0, "a path starting with \"GC://\" (the global catalog)");
    }
    std::size_t end = kProvider.size();
    while (end < path.size() &&
           (IsLetter(path[end]) || IsDigit(path[end]) || path[end] == '-' || path[end] == '.')) {
      ++end;
    }
    if (end == kProvider.size()) failInside(end, "a host name after \"GC://\"");
    if (end != path.size()) {
      failInside(end, "the end of the path after the host (a search base is not supported)");
    }
    query.host = path.substr(kProvider.size());
    query.hostOffset = start;
  }

  Condition Or(std::size_t depth) {
    Condition first = And(depth);
    if (!TryKeyword("OR")) return first;
    Condition any;
    any.kind = Condition::Kind::kOr;
    any.operands.push_back(std::move(first));
    do {
      any.operands.push_back(And(depth));
    } while (TryKeyword("OR"));
    return any;
  }

  Condition And(std::size_t depth) {
    Condition first = Factor(depth);
    if (!TryKeyword("AND")) return first;
    Condition all;
    all.kind = Condition::Kind::kAnd;
    all.operands.push_back(std::move(first));
    do {
      all.operands.push_back(Factor(depth));
    } while (TryKeyword("AND"));
    return all;
  }

  Condition Factor(std::size_t depth) {
    SkipBlanks();
    if (depth >= kMaxNesting)
      Fail("no more than " + std::to_string(kMaxNesting) + " nested NOTs and parentheses");
    if (TryKeyword("NOT")) {
      Condition negation;
      negation.kind = Condition::Kind::kNot;
      negation.operands.push_back(Factor(depth + 1));
      return negation;
    }
    if (TryChar('(')) {
      Condition inner = Or(depth + 1);
      Char(')');
      return inner;
    }
    Condition compare;
    compare.attribute = Name("an attribute name, NOT or '('");
    Char('=');
    compare.value = Quoted("a value in single quotes");
    return compare;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

DirectoryQuery ParseDirectoryQuery(std::string_view text) { return Parser(text).Query(); }

}  // namespace quarvel::platform::directory
