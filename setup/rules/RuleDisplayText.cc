#include "setup/rules/RuleDisplayText.h"

#include "common/Text.h"

namespace quarvel::setup {
namespace {

// Byte length of an "SCL value is" prefix recognised ignoring case, or npos
// when the text does not start with it.
std::size_t SclPrefixLength(std::string_view text) {
  return text::PrefixLengthIgnoreCase(text, kSclPrefix);
}

std::string RemoveAll(std::string_view text, char c) {
  std::string result;
  result.reserve(text.size());
  for (const char ch : text) {
    if (ch != c) result += ch;
  }
  return result;
}

}  // namespace

std::string ConditionToText(std::string_view header, std::string_view value) {
  if (header.substr(0, kSclHeader.size()) != kSclHeader) {
    std::string text(header);
    text += ": ";
    text += value;
    return text;
  }
  std::string words;
  if (value.find('{') != std::string_view::npos) {
    // Only the relation right after "{" becomes words: "{>3 <8}" reads
    // "greater than 3 <8", and saving turns it back into the same rule.
    words = text::ReplaceAll(text::ReplaceAll(value, "{>", "greater than "), "{<", "less than ");
  } else {
    words = "equal to ";
    words += value;
  }
  std::string text(kSclPrefix);
  text += ' ';
  text += RemoveAll(words, '}');
  return text;
}

StoredCondition TextToCondition(std::string_view text) {
  if (const auto colon = text.find(':'); colon != std::string_view::npos) {
    return {text::Trim(text.substr(0, colon)), text::Trim(text.substr(colon + 1))};
  }
  const std::size_t prefix = SclPrefixLength(text);
  if (prefix == std::string_view::npos) return {std::string(text), ""};

  std::string value = text::Trim(text.substr(prefix));
  value = text::ReplaceAll(value, "equal to", "");
  value = text::ReplaceAll(value, "greater than", "{>");
  value = text::ReplaceAll(value, "less than", "{<");
  if (value.find('{') != std::string::npos) value += '}';
  return {std::string(kSclHeader), RemoveAll(value, ' ')};
}

EditorFields TextToEditorFields(std::string_view text) {
  if (const std::size_t prefix = SclPrefixLength(text); prefix != std::string_view::npos) {
    const std::string rest = text::Trim(text.substr(prefix));
    const auto blank = rest.rfind(' ');
    if (blank == std::string::npos) {
      // Nothing to split: the relation list cannot hold the whole text, so
      // editing keeps the list's previous choice rather than inventing one.
      return {EditorFields::Kind::kScl, std::string(text), rest};
    }
    return {EditorFields::Kind::kScl, text::Trim(std::string_view(rest).substr(0, blank + 1)),
            text::Trim(std::string_view(rest).substr(blank))};
  }
  if (const auto colon = text.find(':'); colon != std::string_view::npos) {
    return {EditorFields::Kind::kHeader, text::Trim(text.substr(0, colon + 1)),
            text::Trim(text.substr(colon + 1))};
  }
  return {EditorFields::Kind::kHeader, std::string(text), ""};
}

std::string EditorFieldsToText(const EditorFields& fields) {
  std::string text;
  if (fields.kind == EditorFields::Kind::kScl) {
    text = kSclPrefix;
    text += ' ';
    text += text::Trim(fields.first);
    text += ' ';
    text += text::Trim(fields.second);
    return text;
  }
  text = text::Trim(fields.first);
  if (text.empty() || text.back() != ':') text += ':';
  text += ' ';
  text += text::Trim(fields.second);
  return text;
}

std::string TipText(std::string_view text) {
  constexpr std::size_t kShown = 75;
  if (text::CharCount(text) <= kShown) return std::string(text);
  const std::u32string chars = text::DecodeUtf8(text);
  std::string tip = text::EncodeUtf8(std::u32string_view(chars).substr(0, kShown));
  tip += " ...";
  return tip;
}

}  // namespace quarvel::setup
