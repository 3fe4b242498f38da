// The URLs the store answers, and the safe relative paths they name.
//
// Two forms reach the same public folder tree, each either percent-encoded or
// not:
//   http://<host>/Public/<folder path>[/<item>]            as the setup program lists it
//   file://./backofficestorage/<domain>/Public Folders/<path>   as store events hand it out
// The scheme and host of the first form, the domain of the second, and the
// letter case of "Public" and "Public Folders" do not matter. "+" is not a
// blank here; only %XX sequences are decoded.
//
// No URL ever names anything outside the store: an empty, "." or ".." segment,
// a segment starting with "." (the store's own files), a control character
// (NUL included), a backslash or a "/" hidden in %2F is refused with
// PlatformError(kErrInvalidArgument).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quarvel::platform::store {

// A folder or item below the tree's root, as a list of names ([] is the root).
struct StorePath {
  std::vector<std::string> segments;

  [[nodiscard]] bool IsRoot() const { return segments.empty(); }
  [[nodiscard]] StorePath Parent() const;                        // the root's parent is the root
  [[nodiscard]] std::string Name() const;                        // "" for the root
  [[nodiscard]] StorePath Child(const std::string& name) const;  // checks the name
  [[nodiscard]] std::string ToString() const;                    // "Inbox/Sub", "" for the root
  bool operator==(const StorePath&) const = default;
  auto operator<=>(const StorePath&) const = default;
};

// Throws PlatformError(kErrInvalidArgument) for a name that could leave the
// folder or hide among the store's own files.
void CheckName(std::string_view name);

// Decodes %XX sequences; throws for a malformed sequence.
[[nodiscard]] std::string PercentDecode(std::string_view text);

// The path a URL of either form names. Throws PlatformError(kErrInvalidArgument)
// for a URL of neither form or with an unsafe segment. A trailing "/" is ignored.
[[nodiscard]] StorePath ParseStoreUrl(std::string_view url);

// The two URL forms of a path, not percent-encoded. `host` is the server
// name, `domain` the mail domain.
[[nodiscard]] std::string HttpUrl(const std::string& host, const StorePath& path);
[[nodiscard]] std::string FileUrl(const std::string& domain, const StorePath& path);

}  // namespace quarvel::platform::store
