#include "platform/store/events/Criteria.h"

#include <cctype>
#include <vector>

#include "common/Text.h"
#include "platform/PlatformError.h"

namespace quarvel::platform::store {

namespace {

struct Comparison {
  std::string property;
  std::string value;  // upper case for TRUE/FALSE, as written otherwise
  bool isBoolean = false;
};

[[noreturn]] void Refuse(std::string_view criteria, std::string_view why) {
  throw PlatformError(kErrInvalidArgument, "criteria not understood (" + std::string(why) +
                                               "): " + std::string(criteria));
}

class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  void SkipBlanks() {
    while (pos_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[pos_]))) ++pos_;
  }
  bool AtEnd() {
    SkipBlanks();
    return pos_ >= text_.size();
  }
  bool Keyword(std::string_view word) {
    SkipBlanks();
    if (!text::StartsWithIgnoreCase(text_.substr(pos_), word)) return false;
    const auto after = pos_ + word.size();
    if (after < text_.size() && std::isalnum(static_cast<unsigned char>(text_[after])))
      return false;
    pos_ = after;
    return true;
  }
  bool Char(char c) {
    SkipBlanks();
    if (pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }
  // Text up to the closing quote; false when the quote never closes.
  bool Quoted(char quote, std::string& out) {
    if (!Char(quote)) return false;
    const auto end = text_.find(quote, pos_);
    if (end == std::string_view::npos) return false;
    out = std::string(text_.substr(pos_, end - pos_));
    pos_ = end + 1;
    return true;
  }
  bool Number(std::string& out) {
    SkipBlanks();
    const auto start = pos_;
    if (pos_ < text_.size() && text_[pos_] == '-') ++pos_;
    while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    out = std::string(text_.substr(start, pos_ - start));
    return !out.empty() && out != "-";
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

std::vector<Comparison> Parse(std::string_view criteria) {
  Reader reader(criteria);
  std::vector<Comparison> comparisons;
  if (reader.AtEnd()) return comparisons;
  if (!reader.Keyword("WHERE")) Refuse(criteria, "it must start with WHERE");
  do {
    Comparison comparison;
    if (!reader.Quoted('"', comparison.property))
      Refuse(criteria, "expected a quoted property name");
    if (!reader.Char('=')) Refuse(criteria, "expected =");
    if (reader.Keyword("TRUE")) {
      comparison.value = "TRUE";
      comparison.isBoolean = true;
    } else if (reader.Keyword("FALSE")) {
      comparison.value = "FALSE";
      comparison.isBoolean = true;
    } else if (!reader.Quoted('\'', comparison.value) && !reader.Number(comparison.value)) {
      Refuse(criteria, "expected TRUE, FALSE, a number or quoted text");
    }
    comparisons.push_back(std::move(comparison));
  } while (reader.Keyword("AND"));
  if (!reader.AtEnd()) Refuse(criteria, "unexpected text after the last comparison");
  return comparisons;
}

bool Holds(const Comparison& comparison, const PropertyMap& item) {
  const auto found = item.find(CanonicalPropertyName(comparison.property));
  if (comparison.isBoolean) {
    bool actual = false;
    if (found != item.end()) {
      const auto& value = found->second;
      actual = value.IsBoolean()
                   ? value.ToString() == "True"
                   : text::EqualsIgnoreCase(value.ToString(), "true") || value.ToString() == "1";
    }
    return actual == (comparison.value == "TRUE");
  }
  const auto actual = found == item.end() ? std::string() : found->second.ToString();
  return text::EqualsIgnoreCase(actual, comparison.value);
}

}  // namespace

bool CriteriaHold(std::string_view criteria, const PropertyMap& item) {
  for (const auto& comparison : Parse(criteria)) {
    if (!Holds(comparison, item)) return false;
  }
  return true;
}

}  // namespace quarvel::platform::store
