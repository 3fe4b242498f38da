#include "platform/directory/DirectoryEntry.h"

#include "common/Text.h"

namespace quarvel::platform::directory {

bool SameAttributeName(std::string_view a, std::string_view b) {
  return text::EqualsAsciiIgnoreCase(a, b);
}

std::optional<std::span<const std::string>> DirectoryEntry::Values(std::string_view name) const {
  for (const auto& attribute : attributes) {
    if (SameAttributeName(attribute.name, name))
      return std::span<const std::string>(attribute.values);
  }
  if (SameAttributeName(name, "distinguishedName")) return std::span<const std::string>(&dn, 1);
  return std::nullopt;
}

void DirectoryEntry::Add(std::string_view name, std::string value) {
  for (auto& attribute : attributes) {
    if (SameAttributeName(attribute.name, name)) {
      attribute.values.push_back(std::move(value));
      return;
    }
  }
  attributes.push_back({std::string(name), {std::move(value)}});
}

}  // namespace quarvel::platform::directory
