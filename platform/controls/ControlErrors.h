// The errors the desktop controls raise, numbered as the original controls
// numbered them, so the error log reads as an administrator expects.
#pragma once

#include <cstdint>

namespace quarvel::platform::controls {

inline constexpr std::int32_t kErrInvalidCall = 5;             // invalid procedure call or argument
inline constexpr std::int32_t kErrControlAlreadyLoaded = 360;  // a name and index taken twice
inline constexpr std::int32_t kErrInvalidPropertyValue = 380;
inline constexpr std::int32_t kErrTextReadOnly = 383;  // drop-down list given a text it lacks
inline constexpr std::int32_t kErrFormAlreadyDisplayed = 400;  // modal Show of a visible form
inline constexpr std::int32_t kErrIndexOutOfBounds = 35600;
inline constexpr std::int32_t kErrElementNotFound = 35601;
inline constexpr std::int32_t kErrKeyNotUnique = 35602;

// Throws PlatformError with `number` and the controls' own description of it.
[[noreturn]] void ThrowControlError(std::int32_t number);

}  // namespace quarvel::platform::controls
