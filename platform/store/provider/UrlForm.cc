#include "platform/store/provider/UrlForm.h"

#include <utility>

#include "common/Text.h"

namespace quarvel::platform::store {
namespace {

constexpr std::string_view kFilePrefix = "file://./backofficestorage/";
constexpr std::string_view kHttpMarker = "/Public";
constexpr std::string_view kFileMarker = "/Public Folders";

using text::AsciiLower;
using text::StartsWithAsciiIgnoreCase;

// ASCII only, whatever the process locale says about other bytes.
bool IsUnreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.' || c == '_' || c == '~';
}

}  // namespace

UrlForm UrlForm::Http(std::string schemeAndHost) {
  return UrlForm(std::move(schemeAndHost) + std::string(kHttpMarker), false);
}

UrlForm UrlForm::File(std::string domain) {
  return UrlForm(std::string(kFilePrefix) + domain + std::string(kFileMarker), true);
}

UrlForm UrlForm::Of(std::string_view url) {
  (void)ParseStoreUrl(url);  // the same URLs, refused the same way
  if (StartsWithAsciiIgnoreCase(url, kFilePrefix)) {
    const auto rest = url.substr(kFilePrefix.size());
    return File(PercentDecode(rest.substr(0, rest.find('/'))));
  }
  const auto hostStart = url.find("//") + 2;
  const auto hostEnd = url.find('/', hostStart);
  std::string scheme(url.substr(0, hostStart));
  for (char& c : scheme) c = AsciiLower(c);
  return Http(scheme + PercentDecode(url.substr(hostStart, hostEnd - hostStart)));
}

std::string UrlForm::Url(const StorePath& path) const {
  std::string url = prefix_ + "/";
  for (const char c : path.ToString()) {
    if (c == '%') {
      url += "%25";
    } else {
      url += c;
    }
  }
  return url;
}

std::string UrlForm::EncodedUrl(const StorePath& path) const {
  const auto schemeEnd = prefix_.find("://") + 3;
  std::string out = prefix_.substr(0, schemeEnd);
  out += PercentEncode(std::string_view(prefix_).substr(schemeEnd), ":/");
  out += '/';
  for (std::size_t i = 0; i < path.segments.size(); ++i) {
    if (i > 0) out += '/';
    out += PercentEncode(path.segments[i]);
  }
  return out;
}

std::string PercentEncode(std::string_view text, std::string_view keep) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsUnreserved(byte) || keep.find(c) != std::string_view::npos) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  return out;
}

}  // namespace quarvel::platform::store
