// Error numbers that the data layer's own objects raise, as the platform's
// data library numbers them. They travel in PlatformError like every other
// platform failure.
#pragma once

#include <cstdint>

namespace quarvel::platform::ado {

inline constexpr std::int32_t kErrNoCurrentRecord = 3021;    // BOF or EOF
inline constexpr std::int32_t kErrObjectClosed = 3704;       // not allowed while closed
inline constexpr std::int32_t kErrObjectOpen = 3705;         // not allowed while open
inline constexpr std::int32_t kErrProviderNotFound = 3706;   // no such provider
inline constexpr std::int32_t kErrInvalidConnection = 3709;  // no usable connection

// The provider cannot do what was asked, e.g. write through a read-only one.
inline constexpr std::int32_t kErrFeatureNotAvailable = 3251;

}  // namespace quarvel::platform::ado
