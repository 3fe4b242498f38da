// The form of store URL a caller used (http://<host>/Public/... or
// file://./backofficestorage/<domain>/Public Folders/...), so that URLs the
// store hands back (ParentURL, DAV:href, DAV:parentname) come in that same
// form, with the caller's scheme and host or domain. The tree's marker is
// always spelled "Public" / "Public Folders": callers search for it exactly.
//
// Values; thread-safe to share.
#pragma once

#include <string>
#include <string_view>

#include "platform/store/StoreUrl.h"

namespace quarvel::platform::store {

class UrlForm {
 public:
  // "http://host" style: `schemeAndHost` without a trailing "/".
  [[nodiscard]] static UrlForm Http(std::string schemeAndHost);
  [[nodiscard]] static UrlForm File(std::string domain);
  // The form of a URL that ParseStoreUrl accepts (throws as it does otherwise).
  [[nodiscard]] static UrlForm Of(std::string_view url);

  [[nodiscard]] bool IsFile() const { return file_; }

  // The URL of a path, readable: not percent-encoded but for "%" itself,
  // written "%25", so that the URL parses back to the same path. The root's
  // ends with "/".
  [[nodiscard]] std::string Url(const StorePath& path) const;
  // The same, percent-encoded: only letters, digits, "-._~" and the
  // separators ":" and "/" stay as they are, so that decoding it ("+" as a
  // blank included) gives Url(path) back.
  [[nodiscard]] std::string EncodedUrl(const StorePath& path) const;

 private:
  UrlForm(std::string prefix, bool file) : prefix_(std::move(prefix)), file_(file) {}

  std::string prefix_;  // up to and including the marker, e.g. "http://h/Public"
  bool file_ = false;
};

// Percent-encodes every byte but letters, digits, "-._~" and those in `keep`.
[[nodiscard]] std::string PercentEncode(std::string_view text, std::string_view keep = "");

}  // namespace quarvel::platform::store
