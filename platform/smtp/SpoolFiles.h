// The file operations of the pickup service, each one safe for mail: a file
// appears under its final name only when complete and flushed (it has no
// name before, so a crash leaves no partial or temporary file), is never
// written over another file, and leaves its source in place when it fails.
//
// Failures throw PlatformError(kErrFail) with the path and the system's
// reason. Safe on any thread; two threads placing files into one directory get
// different names.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel::platform::smtp {

// How many names a placement tries before it gives up.
inline constexpr int kNameAttempts = 1000;

// The name tried on `attempt` (from 0): `wanted`, then "stem~2.ext", ...
[[nodiscard]] std::string CandidateName(const std::string& wanted, int attempt);

// The regular files of `directory` whose names do not start with ".", sorted
// by name. Symbolic links, directories and other kinds are left out.
[[nodiscard]] std::vector<std::string> SpoolFileNames(const std::filesystem::path& directory);

// Moves `from` into `directory` under the first free candidate of `wanted`,
// and returns the new path; nullopt when `from` no longer exists (another
// process took it). Within one file system this is one rename. Across file
// systems it copies (flushed) and then removes `from` when `copyAcross` is
// set, and fails otherwise.
[[nodiscard]] std::optional<std::filesystem::path> MoveIntoDirectory(
    const std::filesystem::path& from, const std::filesystem::path& directory,
    const std::string& wanted, bool copyAcross);

// Writes a new file into `directory` under the first free candidate of
// `wanted`; returns its path. The file is private to its owner (0600).
std::filesystem::path WriteNewFile(const std::filesystem::path& directory,
                                   const std::string& wanted, std::string_view content);

// Creates or replaces `path` at once with `content`: readers see the old file
// or the new one, never neither. The new content is written under a hidden
// temporary name first, which the service passes by.
void ReplaceFile(const std::filesystem::path& path, std::string_view content);

// The file among the candidates of `wanted` in `directory` (up to the first
// free one) whose content is `content`, if any: a copy WriteNewFile made
// before a crash kept it from being recorded.
[[nodiscard]] std::optional<std::filesystem::path> FindIdenticalFile(
    const std::filesystem::path& directory, const std::string& wanted, std::string_view content);

// The content of the regular file `path` (a symbolic link is refused), or
// nullopt when it is larger than `limit` bytes (then it is not read).
[[nodiscard]] std::optional<std::string> ReadFileUpTo(const std::filesystem::path& path,
                                                      std::size_t limit);

// Removes `path`; one that is already gone is no failure.
void RemoveFile(const std::filesystem::path& path);

// Creates `directory` and its parents if missing.
void EnsureDirectory(const std::filesystem::path& directory);

}  // namespace quarvel::platform::smtp
