// The one exception type of every platform facility: a number and a
// description, as the platform's own error objects carry them and as the setup
// program's error log prints them.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quarvel::platform {

// Error numbers that callers test for.
inline constexpr std::int32_t kErrObjectAlreadyInCollection = 3367;  // ADO: field exists
inline constexpr std::int32_t kErrItemNotFoundInCollection = 3265;   // ADO: no such field
inline constexpr std::int32_t kErrNotFound =
    static_cast<std::int32_t>(0x80040E19);  // DB_E_NOTFOUND
inline constexpr std::int32_t kErrAccessDenied =
    static_cast<std::int32_t>(0x80070005);                                       // E_ACCESSDENIED
inline constexpr std::int32_t kErrFail = static_cast<std::int32_t>(0x80004005);  // E_FAIL
inline constexpr std::int32_t kErrInvalidArgument =
    static_cast<std::int32_t>(0x80070057);  // E_INVALIDARG
inline constexpr std::int32_t kErrFileExists =
    static_cast<std::int32_t>(0x80070050);  // file exists
inline constexpr std::int32_t kErrDataOverflow =
    static_cast<std::int32_t>(0x80040E57);  // DB_E_DATAOVERFLOW: longer than the field holds

class PlatformError : public std::runtime_error {
 public:
  PlatformError(std::int32_t number, const std::string& description)
      : std::runtime_error(description), number_(number) {}

  [[nodiscard]] std::int32_t Number() const noexcept { return number_; }
  [[nodiscard]] std::string Description() const { return what(); }

 private:
  std::int32_t number_;
};

}  // namespace quarvel::platform
