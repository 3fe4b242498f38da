#include "platform/store/StoreUrl.h"

#include <cstddef>

#include "common/Text.h"
#include "platform/PlatformError.h"

namespace quarvel::platform::store {
namespace {

constexpr std::string_view kPublicMarker = "Public";
constexpr std::string_view kPublicFoldersMarker = "Public Folders";
constexpr std::string_view kFileStorePrefix = "file://./backofficestorage/";

// Control characters escaped: a NUL would cut the message short and a line
// break would forge a line in the error log.
std::string Printable(std::string_view text) { return text::EscapeControlChars(text, "%"); }

[[noreturn]] void Refuse(std::string_view url, const std::string& reason) {
  throw PlatformError(kErrInvalidArgument, "invalid store URL '" + Printable(url) + "': " + reason);
}

// Schemes are ASCII by definition; ICU folding would let e.g. U+017F pass as "s".
using text::StartsWithAsciiIgnoreCase;

std::vector<std::string_view> Split(std::string_view text) {
  std::vector<std::string_view> parts;
  std::size_t begin = 0;
  while (true) {
    const std::size_t slash = text.find('/', begin);
    if (slash == std::string_view::npos) {
      parts.push_back(text.substr(begin));
      return parts;
    }
    parts.push_back(text.substr(begin, slash - begin));
    begin = slash + 1;
  }
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string Join(const StorePath& path) {
  std::string out;
  for (const std::string& segment : path.segments) {
    if (!out.empty()) out += '/';
    out += segment;
  }
  return out;
}

}  // namespace

StorePath StorePath::Parent() const {
  StorePath parent = *this;
  if (!parent.segments.empty()) parent.segments.pop_back();
  return parent;
}

std::string StorePath::Name() const { return segments.empty() ? std::string() : segments.back(); }

StorePath StorePath::Child(const std::string& name) const {
  CheckName(name);
  StorePath child = *this;
  child.segments.push_back(name);
  return child;
}

std::string StorePath::ToString() const { return Join(*this); }

void CheckName(std::string_view name) {
  auto refuse = [&](const char* reason) {
    throw PlatformError(kErrInvalidArgument,
                        "invalid store name '" + Printable(name) + "': " + reason);
  };
  if (name.empty()) refuse("empty name");
  if (name.front() == '.') refuse("names starting with '.' are reserved");
  for (const char c : name) {
    if (c == '/' || c == '\\') refuse("separator in name");
    if (static_cast<unsigned char>(c) < 0x20) refuse("control character in name");
  }
}

std::string PercentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    const int hi = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
    const int lo = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
    if (hi < 0 || lo < 0) {
      throw PlatformError(kErrInvalidArgument, "malformed percent escape in '" + Printable(text) +
                                                   "' at offset " + std::to_string(i));
    }
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return out;
}

StorePath ParseStoreUrl(std::string_view url) {
  // Splitting before decoding keeps a %2F inside its segment, where CheckName
  // refuses it instead of letting it become a separator.
  std::vector<std::string_view> raw;
  std::string_view marker;
  if (StartsWithAsciiIgnoreCase(url, "http://") || StartsWithAsciiIgnoreCase(url, "https://")) {
    raw = Split(url.substr(url.find("//") + 2));
    if (raw.front().empty()) Refuse(url, "no host");
    marker = kPublicMarker;
  } else if (StartsWithAsciiIgnoreCase(url, kFileStorePrefix)) {
    raw = Split(url.substr(kFileStorePrefix.size()));
    if (raw.front().empty()) Refuse(url, "no domain");
    marker = kPublicFoldersMarker;
  } else {
    Refuse(url, "neither an http://<host>/Public/ nor a file://./backofficestorage/ URL");
  }
  // raw[0] is the host or domain; only the marker after it says which tree.
  if (raw.size() < 2) Refuse(url, "no '" + std::string(marker) + "' folder tree");
  auto decode = [&](std::string_view segment) {
    try {
      return PercentDecode(segment);
    } catch (const PlatformError& e) {
      Refuse(url, e.Description());
    }
  };
  if (!text::EqualsIgnoreCase(decode(raw[1]), marker)) {
    Refuse(url, "not below '" + std::string(marker) + "'");
  }
  std::size_t end = raw.size();
  if (end > 2 && raw.back().empty()) --end;  // one trailing "/"
  StorePath path;
  for (std::size_t i = 2; i < end; ++i) {
    std::string name = decode(raw[i]);
    try {
      CheckName(name);
    } catch (const PlatformError& e) {
      Refuse(url, e.Description());
    }
    path.segments.push_back(std::move(name));
  }
  return path;
}

std::string HttpUrl(const std::string& host, const StorePath& path) {
  return "http://" + host + "/" + std::string(kPublicMarker) + "/" + Join(path);
}

std::string FileUrl(const std::string& domain, const StorePath& path) {
  return std::string(kFileStorePrefix) + domain + "/" + std::string(kPublicFoldersMarker) + "/" +
         Join(path);
}

}  // namespace quarvel::platform::store
