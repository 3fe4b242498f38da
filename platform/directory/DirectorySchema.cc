#include "platform/directory/DirectorySchema.h"

#include <array>
#include <cstdint>
#include <limits>
#include <utility>

#include "platform/directory/DirectoryEntry.h"

namespace quarvel::platform::directory {
namespace {

constexpr std::array kIntegerAttributes = {
    std::string_view("sAMAccountType"), std::string_view("userAccountControl"),
    std::string_view("groupType"),      std::string_view("instanceType"),
    std::string_view("primaryGroupID"), std::string_view("systemFlags"),
};

constexpr std::array kBooleanAttributes = {
    std::string_view("msExchHideFromAddressLists"),
    std::string_view("mAPIRecipient"),
    std::string_view("showInAdvancedViewOnly"),
    std::string_view("isCriticalSystemObject"),
    std::string_view("isDeleted"),
};

// Class names and the category their objects carry.
constexpr std::array<std::pair<std::string_view, std::string_view>, 8> kCategories = {{
    {"person", "Person"},
    {"user", "Person"},
    {"contact", "Person"},
    {"group", "Group"},
    {"publicFolder", "ms-Exch-Public-Folder"},
    {"computer", "Computer"},
    {"organizationalUnit", "Organizational-Unit"},
    {"container", "Container"},
}};

template <std::size_t N>
bool Listed(const std::array<std::string_view, N>& names, std::string_view attribute) {
  for (const auto name : names) {
    if (SameAttributeName(name, attribute)) return true;
  }
  return false;
}

std::optional<std::int64_t> ParseInteger(std::string_view value) {
  std::size_t i = 0;
  const bool negative = !value.empty() && value[0] == '-';
  if (negative) ++i;
  if (i == value.size()) return std::nullopt;
  std::uint64_t magnitude = 0;
  constexpr std::uint64_t kLimit = std::uint64_t{1} << 63;  // |INT64_MIN|
  for (; i < value.size(); ++i) {
    if (value[i] < '0' || value[i] > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(value[i] - '0');
    if (magnitude > (kLimit - digit) / 10) return std::nullopt;
    magnitude = magnitude * 10 + digit;
  }
  if (!negative && magnitude == kLimit) return std::nullopt;
  return negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
}

std::optional<bool> ParseBoolean(std::string_view value) {
  if (SameAttributeName(value, "TRUE")) return true;
  if (SameAttributeName(value, "FALSE")) return false;
  return std::nullopt;
}

}  // namespace

AttributeSyntax SyntaxOf(std::string_view attribute) {
  if (Listed(kIntegerAttributes, attribute)) return AttributeSyntax::kInteger;
  if (Listed(kBooleanAttributes, attribute)) return AttributeSyntax::kBoolean;
  return AttributeSyntax::kText;
}

std::optional<std::string> CheckValue(std::string_view attribute, std::string_view value) {
  if (value.empty()) return std::nullopt;
  switch (SyntaxOf(attribute)) {
    case AttributeSyntax::kInteger:
      if (!ParseInteger(value)) return std::string(attribute) + " takes a whole number";
      break;
    case AttributeSyntax::kBoolean:
      if (!ParseBoolean(value)) return std::string(attribute) + " takes TRUE or FALSE";
      break;
    case AttributeSyntax::kText:
      break;
  }
  return std::nullopt;
}

ado::Variant FieldValue(std::string_view attribute, const std::string& value) {
  if (value.empty()) return ado::Variant(value);
  switch (SyntaxOf(attribute)) {
    case AttributeSyntax::kInteger:
      if (const auto number = ParseInteger(value)) return ado::Variant(*number);
      break;
    case AttributeSyntax::kBoolean:
      if (const auto flag = ParseBoolean(value)) return ado::Variant(*flag);
      break;
    case AttributeSyntax::kText:
      break;
  }
  return ado::Variant(value);
}

std::string CategoryCommonName(std::string_view name) {
  for (const auto& [className, category] : kCategories) {
    if (SameAttributeName(className, name)) return std::string(category);
  }
  return std::string(name);
}

}  // namespace quarvel::platform::directory
