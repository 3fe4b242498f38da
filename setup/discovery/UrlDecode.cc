#include "setup/discovery/UrlDecode.h"

#include <optional>

#include "common/Text.h"

namespace quarvel::setup {
namespace {

std::optional<int> HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return std::nullopt;
}

bool IsSafeText(std::string_view decoded) {
  for (const char32_t c : text::DecodeUtf8(decoded)) {
    if (c < 0x20 || c == 0x7F) return false;
    if (c >= 0xDC80 && c <= 0xDCFF) return false;  // a byte that is not UTF-8
  }
  return true;
}

}  // namespace

std::string UrlDecode(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '+') {
      result += ' ';
    } else if (c == '%' && text.size() - i > 2) {
      const auto high = HexDigit(text[i + 1]);
      const auto low = HexDigit(text[i + 2]);
      if (!high || !low) return {};
      result += static_cast<char>(*high * 16 + *low);
      i += 2;
    } else {
      result += c;
    }
  }
  return IsSafeText(result) ? result : std::string();
}

}  // namespace quarvel::setup
