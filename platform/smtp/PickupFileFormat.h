// The SMTP service's pickup file: envelope lines at the top, then the message.
//
//   x-sender: sender@example.net
//   x-receiver: Support <support@example.com>
//   x-receiver: boss@example.org
//   <the message, byte-exact>
//
// Envelope lines are "x-sender:" (exactly one) and "x-receiver:" (one or
// more), names in any case, ending in CRLF or LF. The first line that is not
// an envelope line starts the message, so a header such as Quarvel's
// "x-Originally delivered to:" stays the message's first line. A value may be
// "Display <address>": the address is the text inside the last <>. An
// x-receiver value may list several such addresses separated by commas
// ("Desk <a@x.example>, Other <b@y.example>"; a comma inside a quoted display
// name or inside <> separates nothing): each one is a receiver. When any
// part of a list is not an address the whole file is malformed, so no
// address written in it is ever left out silently.
//
// Parsing never throws and never reads past `content`; anything it does not
// accept is malformed with a reason a person can act on (control bytes in it
// shown as \xNN). Pure functions: safe on any thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel::platform::smtp {

// Larger files are malformed without being read.
inline constexpr std::size_t kMaxPickupFileSize = 64u * 1024 * 1024;

struct PickupMessage {
  std::string sender;
  // Addresses only, in file order; a repeated address (ignoring case) is kept
  // once, so no recipient gets two copies.
  std::vector<std::string> receivers;
  std::string message;
  bool operator==(const PickupMessage&) const = default;
};

struct PickupParse {
  std::optional<PickupMessage> file;  // nullopt: malformed
  std::string whyMalformed;
};

[[nodiscard]] PickupParse ParsePickupFile(std::string_view content);

// The envelope lines for one receiver, CRLF-terminated; `receiver` and
// `sender` must be addresses as ParsePickupFile returns them.
[[nodiscard]] std::string FormatEnvelope(std::string_view receiver, std::string_view sender);

// Text for a message or log line: control bytes shown as \xNN.
[[nodiscard]] std::string ShownText(std::string_view text);

}  // namespace quarvel::platform::smtp
