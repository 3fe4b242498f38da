#include "platform/store/provider/FolderQuery.h"

#include <cstdint>
#include <limits>

#include "common/Text.h"
#include "platform/PlatformError.h"

namespace quarvel::platform::store {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
using text::AsciiLower;
using text::EqualsAsciiIgnoreCase;

// Reads one text left to right; every failure names the offset it stopped at.
// `base` is the offset of `text` in the whole query, so that errors inside
// the scope literal point into the query as written.
class Reader {
 public:
  Reader(std::string_view text, std::string_view what, std::size_t base = 0)
      : text_(text), what_(what), base_(base) {}

  [[noreturn]] void Fail(const std::string& expected) const { FailAt(pos_, expected); }

  // Fails pointing at `pos`, a position this reader has passed.
  [[noreturn]] void FailAt(std::size_t pos, const std::string& expected) const {
    std::string found = pos < text_.size() ? "'" + std::string(text_.substr(pos, 20)) + "'"
                                           : std::string("the end of the text");
    throw PlatformError(kErrInvalidArgument, std::string(what_) + ": expected " + expected +
                                                 " at offset " + std::to_string(base_ + pos) +
                                                 ", found " + found);
  }

  void SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
  }
  [[nodiscard]] bool AtEnd() {
    SkipBlanks();
    return pos_ == text_.size();
  }
  [[nodiscard]] std::size_t Position() {
    SkipBlanks();
    return pos_;
  }

  // The next word if it is `word` (ignoring case), consumed; false otherwise.
  bool TryWord(std::string_view word) {
    SkipBlanks();
    std::size_t end = pos_;
    while (end < text_.size() && IsLetter(text_[end])) ++end;
    if (!EqualsAsciiIgnoreCase(text_.substr(pos_, end - pos_), word)) return false;
    pos_ = end;
    return true;
  }
  void Word(std::string_view word) {
    if (!TryWord(word)) Fail("'" + std::string(word) + "'");
  }
  // A keyword that must stand apart from the next one ("of" then a quote).
  void WordThenBlank(std::string_view word) {
    Word(word);
    if (pos_ >= text_.size() || !IsBlank(text_[pos_]))
      Fail("a blank after '" + std::string(word) + "'");
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

  [[nodiscard]] bool Peek(char c) {
    SkipBlanks();
    return pos_ < text_.size() && text_[pos_] == c;
  }

  // A text in `quote` characters, a doubled quote standing for one.
  std::string Quoted(char quote, const std::string& expected) {
    SkipBlanks();
    if (pos_ >= text_.size() || text_[pos_] != quote) Fail(expected);
    const std::size_t start = pos_++;
    std::string value;
    while (true) {
      if (pos_ >= text_.size()) {
        pos_ = start;
        Fail(std::string("a closing ") + quote + " for the text starting here");
      }
      if (text_[pos_] == quote) {
        if (pos_ + 1 < text_.size() && text_[pos_ + 1] == quote) {
          value += quote;
          pos_ += 2;
          continue;
        }
        ++pos_;
        return value;
      }
      value += text_[pos_++];
    }
  }

  // Where a quoted text begins: a reader of its contents can point back here.
  [[nodiscard]] std::size_t QuoteStart() {
    SkipBlanks();
    return base_ + pos_ + 1;
  }

  std::int64_t Number() {
    SkipBlanks();
    std::size_t end = pos_;
    if (end < text_.size() && text_[end] == '-') ++end;
    const std::size_t digits = end;
    while (end < text_.size() && IsDigit(text_[end])) ++end;
    if (end == digits) Fail("a value (True, False, a quoted text or a whole number)");
    if (end < text_.size() && (IsLetter(text_[end]) || text_[end] == '.')) {
      pos_ = end;
      Fail("a whole number to end");
    }
    std::int64_t value = 0;
    const bool negative = text_[pos_] == '-';
    for (std::size_t i = digits; i < end; ++i) {
      const int digit = text_[i] - '0';
      const auto limit = std::numeric_limits<std::int64_t>::max();
      if (value > (limit - digit) / 10) Fail("a number that fits 64 bits");
      value = value * 10 + digit;
    }
    pos_ = end;
    return negative ? -value : value;
  }

 private:
  std::string_view text_;
  std::string_view what_;
  std::size_t base_;
  std::size_t pos_ = 0;
};

constexpr std::string_view kWhat = "store query";

std::string Property(Reader& reader) {
  const auto start = reader.Position();
  auto name = reader.Quoted('"', "a property name in double quotes");
  if (name.empty()) reader.FailAt(start, "a property name, not an empty one");
  return name;
}

// The contents of SCOPE('...'): "shallow traversal of "URL"" and the like.
void ParseScope(const std::string& scope, std::size_t base, FolderQuery& query) {
  Reader reader(scope, kWhat, base);
  if (reader.TryWord("shallow")) {
    query.traversal = Traversal::kShallow;
  } else if (reader.TryWord("deep")) {
    query.traversal = Traversal::kDeep;
  } else {
    reader.Fail("'shallow' or 'deep' traversal");
  }
  reader.Word("traversal");
  reader.WordThenBlank("of");
  const auto start = reader.Position();
  query.scopeUrl = reader.Quoted('"', "the scope URL in double quotes");
  if (query.scopeUrl.empty()) reader.FailAt(start, "a scope URL, not an empty one");
  if (!reader.AtEnd()) reader.Fail("the end of the scope after its URL");
}

ado::Variant Value(Reader& reader) {
  if (reader.TryWord("true")) return ado::Variant(true);
  if (reader.TryWord("false")) return ado::Variant(false);
  if (reader.Peek('\'')) return ado::Variant(reader.Quoted('\'', "a quoted text"));
  if (reader.Peek('"')) return ado::Variant(reader.Quoted('"', "a quoted text"));
  return ado::Variant(reader.Number());
}

}  // namespace

FolderQuery ParseFolderQuery(std::string_view text) {
  Reader reader(text, kWhat);
  FolderQuery query;

  reader.Word("select");
  do {
    query.select.push_back(Property(reader));
  } while (reader.TryChar(','));

  reader.Word("from");
  reader.Word("scope");
  reader.Char('(');
  const std::size_t scopeStart = reader.QuoteStart();
  const std::string scope = reader.Quoted('\'', "the scope in single quotes");
  ParseScope(scope, scopeStart, query);
  reader.Char(')');

  if (reader.TryWord("where")) {
    do {
      QueryCondition condition;
      condition.property = Property(reader);
      reader.Char('=');
      condition.value = Value(reader);
      query.where.push_back(std::move(condition));
    } while (reader.TryWord("and"));
  }

  if (reader.TryWord("order")) {
    reader.Word("by");
    QueryOrder order;
    order.property = Property(reader);
    if (reader.TryWord("desc")) {
      order.descending = true;
    } else {
      (void)reader.TryWord("asc");
    }
    query.orderBy = std::move(order);
  }

  if (!reader.AtEnd()) reader.Fail("the end of the query");
  return query;
}

}  // namespace quarvel::platform::store
