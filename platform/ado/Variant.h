// A property value as the data layer carries it: empty, null, text, a whole
// number or a boolean.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace quarvel::platform::ado {

class Variant {
 public:
  Variant() = default;
  Variant(std::string text) : value_(std::move(text)) {}
  Variant(const char* text) : value_(std::string(text)) {}
  Variant(std::int64_t number) : value_(number) {}
  Variant(int number) : value_(static_cast<std::int64_t>(number)) {}
  Variant(bool flag) : value_(flag) {}
  static Variant Null() {
    Variant v;
    v.value_ = NullValue{};
    return v;
  }

  [[nodiscard]] bool IsEmpty() const { return std::holds_alternative<std::monostate>(value_); }
  [[nodiscard]] bool IsNull() const { return std::holds_alternative<NullValue>(value_); }
  [[nodiscard]] bool IsString() const { return std::holds_alternative<std::string>(value_); }
  [[nodiscard]] bool IsInteger() const { return std::holds_alternative<std::int64_t>(value_); }
  [[nodiscard]] bool IsBoolean() const { return std::holds_alternative<bool>(value_); }
  // The text itself, without a copy; nullptr for every other kind.
  [[nodiscard]] const std::string* Text() const { return std::get_if<std::string>(&value_); }

  // Text as the platform converts it: "" for empty and null, decimal digits
  // for numbers, "True"/"False" for booleans.
  [[nodiscard]] std::string ToString() const {
    if (const auto* text = std::get_if<std::string>(&value_)) return *text;
    if (const auto* number = std::get_if<std::int64_t>(&value_)) return std::to_string(*number);
    if (const auto* flag = std::get_if<bool>(&value_)) return *flag ? "True" : "False";
    return {};
  }

  bool operator==(const Variant&) const = default;

 private:
  struct NullValue {
    bool operator==(const NullValue&) const = default;
  };
  std::variant<std::monostate, NullValue, std::string, std::int64_t, bool> value_;
};

}  // namespace quarvel::platform::ado
