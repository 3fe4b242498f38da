// Error numbers the directory raises, as the platform's directory interfaces
// number them, so that an error log reads as it would on the real server.
// They travel in PlatformError like every other platform failure.
#pragma once

#include <cstdint>

namespace quarvel::platform::directory {

// The query text is not the directory's SQL dialect (DB_E_ERRORSINCOMMAND).
inline constexpr std::int32_t kErrErrorsInCommand = static_cast<std::int32_t>(0x80040E14);
// FROM names a host that is not this directory's global catalog.
inline constexpr std::int32_t kErrServerNotOperational = static_cast<std::int32_t>(0x8007203A);
// There is no directory at all: the server has no directory file.
inline constexpr std::int32_t kErrNoSuchDomain = static_cast<std::int32_t>(0x8007054B);
// A bind path that names no object of the directory.
inline constexpr std::int32_t kErrNoSuchObject = static_cast<std::int32_t>(0x80072030);
// A bind path that is not a directory path at all (MK_E_SYNTAX).
inline constexpr std::int32_t kErrInvalidPathSyntax = static_cast<std::int32_t>(0x800401E4);
// A bound object has no such attribute (E_ADS_PROPERTY_NOT_FOUND).
inline constexpr std::int32_t kErrPropertyNotFound = static_cast<std::int32_t>(0x8000500D);
// Something the stand-in deliberately does not do (E_NOTIMPL).
inline constexpr std::int32_t kErrNotImplemented = static_cast<std::int32_t>(0x80004001);

}  // namespace quarvel::platform::directory
