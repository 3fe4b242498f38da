// One object of the directory: its distinguished name and its attributes,
// each with one or more values. Attribute names compare ignoring ASCII case
// (they are ASCII by construction, see Ldif.h); values are UTF-8 text as the
// directory file holds them, and may be empty.
//
// A plain value; safe to read from any thread while nobody changes it.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel::platform::directory {

struct DirectoryAttribute {
  std::string name;  // as first written
  std::vector<std::string> values;
  bool operator==(const DirectoryAttribute&) const = default;
};

struct DirectoryEntry {
  std::string dn;
  std::size_t line = 0;                        // where the entry starts in its file, for messages
  std::vector<DirectoryAttribute> attributes;  // in the order first written

  // The values of `name`, or nothing when the entry does not have it. The
  // view lives as long as the entry stays unchanged. "distinguishedName"
  // answers the entry's name unless the entry carries that attribute itself:
  // every real directory object has it.
  [[nodiscard]] std::optional<std::span<const std::string>> Values(std::string_view name) const;

  // Adds a value to `name`, creating the attribute when it is new.
  void Add(std::string_view name, std::string value);

  bool operator==(const DirectoryEntry& other) const {
    return dn == other.dn && attributes == other.attributes;
  }
};

// ASCII case-insensitive equality, for attribute names.
[[nodiscard]] bool SameAttributeName(std::string_view a, std::string_view b);

}  // namespace quarvel::platform::directory
