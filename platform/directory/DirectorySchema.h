// What the directory knows of its schema: the syntax of the attributes whose
// values are not plain text, and the object category each class name stands
// for in a query. Everything not listed is text. Pure; thread-safe.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/ado/Variant.h"

namespace quarvel::platform::directory {

enum class AttributeSyntax { kText, kInteger, kBoolean };

// sAMAccountType, userAccountControl, groupType, ... are integers;
// msExchHideFromAddressLists, mAPIRecipient, ... are booleans (TRUE/FALSE).
[[nodiscard]] AttributeSyntax SyntaxOf(std::string_view attribute);

// Why `value` is no value of `attribute`'s syntax, or nothing when it is.
// An empty value is accepted for every syntax: files may hold one, and it
// reads back as empty text, apart from both null and a number.
[[nodiscard]] std::optional<std::string> CheckValue(std::string_view attribute,
                                                    std::string_view value);

// A checked value as a field carries it: a whole number, a boolean or text.
[[nodiscard]] ado::Variant FieldValue(std::string_view attribute, const std::string& value);

// The common name of the category DN that objectCategory='name' stands for:
// "person", "user" and "contact" are "Person", "group" is "Group",
// "publicFolder" is "ms-Exch-Public-Folder", ... A name the schema does not
// list stands for itself.
[[nodiscard]] std::string CategoryCommonName(std::string_view name);

}  // namespace quarvel::platform::directory
