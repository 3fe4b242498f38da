// Decoding of the URLs the store hands to the setup program (folder hrefs,
// parent names, the folder tree's root). "+" is a blank and "%XX" the byte
// with that hexadecimal value; the decoded bytes are UTF-8. The program never
// encodes a URL, so there is no counterpart.
#pragma once

#include <string>
#include <string_view>

namespace quarvel::setup {

// The decoded text. A "%" with fewer than two characters after it stays as
// it is. The result is empty when a "%" is followed by two characters that
// are no hexadecimal number, and also, so that no path or query built from it
// can be cut short or smuggle a line break, when the decoded text is not
// valid UTF-8 or holds a control character ("%00", "%0A", ...).
[[nodiscard]] std::string UrlDecode(std::string_view text);

}  // namespace quarvel::setup
