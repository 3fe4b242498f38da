#include "platform/smtp/PickupFileFormat.h"

#include <algorithm>

#include "common/Text.h"

namespace quarvel::platform::smtp {

namespace {

constexpr std::string_view kSender = "x-sender:";
constexpr std::string_view kReceiver = "x-receiver:";

// Envelope names and addresses are ASCII; ICU is not needed to compare them.
using text::EqualsAsciiIgnoreCase;
using text::StartsWithAsciiIgnoreCase;

std::string_view TrimSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

bool IsControl(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F;
}

// The address in an envelope value, or why there is none.
std::optional<std::string> Address(std::string_view value, std::string& why) {
  value = TrimSpaces(value);
  if (const auto open = value.rfind('<'); open != std::string_view::npos) {
    const auto close = value.find('>', open);
    if (close == std::string_view::npos) {
      why = "no > after <";
      return std::nullopt;
    }
    if (!TrimSpaces(value.substr(close + 1)).empty()) {
      why = "text after the address in <>";
      return std::nullopt;
    }
    value = TrimSpaces(value.substr(open + 1, close - open - 1));
  }
  if (value.empty()) {
    why = "empty address";
    return std::nullopt;
  }
  if (std::any_of(value.begin(), value.end(), [](char c) { return c == ' ' || IsControl(c); })) {
    why = "blank or control character in the address \"" + ShownText(value) + "\"";
    return std::nullopt;
  }
  if (value.find_first_of("<>,;") != std::string_view::npos) {
    why = "not a single address: \"" + ShownText(value) + "\"";
    return std::nullopt;
  }
  const auto at = value.rfind('@');
  if (at == std::string_view::npos || at == 0 || at + 1 == value.size()) {
    why = "not an e-mail address (name@domain): \"" + ShownText(value) + "\"";
    return std::nullopt;
  }
  return std::string(value);
}

// The parts of an x-receiver value between commas that separate addresses:
// commas inside a quoted display name ("Doe, John" <j@example.com>) or inside
// <> do not. A backslash inside quotes escapes the next character.
std::vector<std::string_view> SplitReceivers(std::string_view value) {
  std::vector<std::string_view> parts;
  bool quoted = false;
  bool angled = false;
  std::size_t start = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (quoted) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        quoted = false;
      }
    } else if (c == '"' && !angled) {
      quoted = true;
    } else if (c == '<') {
      angled = true;
    } else if (c == '>') {
      angled = false;
    } else if (c == ',' && !angled) {
      parts.push_back(value.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.push_back(value.substr(start));
  return parts;
}

PickupParse Malformed(std::string why) { return {std::nullopt, std::move(why)}; }

}  // namespace

std::string ShownText(std::string_view text) { return text::EscapeControlChars(text); }

PickupParse ParsePickupFile(std::string_view content) {
  if (content.size() > kMaxPickupFileSize) {
    return Malformed("the file is larger than " + std::to_string(kMaxPickupFileSize) + " bytes");
  }
  if (content.empty()) return Malformed("the file is empty");

  PickupMessage result;
  int senders = 0;
  std::size_t position = 0;
  for (int lineNumber = 1; position < content.size(); ++lineNumber) {
    const auto end = content.find('\n', position);
    const auto next = end == std::string_view::npos ? content.size() : end + 1;
    auto line = content.substr(position, next - position);
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    const bool isSender = StartsWithAsciiIgnoreCase(line, kSender);
    if (!isSender && !StartsWithAsciiIgnoreCase(line, kReceiver)) break;
    const auto where = "line " + std::to_string(lineNumber) + " (" +
                       std::string(isSender ? "x-sender" : "x-receiver") + "): ";
    if (line.find('\0') != std::string_view::npos) {
      return Malformed(where + "NUL byte in the envelope");
    }
    const auto value = line.substr((isSender ? kSender : kReceiver).size());
    std::string why;
    if (isSender) {
      auto address = Address(value, why);
      if (!address) return Malformed(where + why);
      ++senders;
      result.sender = std::move(*address);
    } else {
      // Every address of a list is sent to, or none: a list that cannot be
      // read whole is refused rather than sent to the part that could.
      const auto parts = SplitReceivers(value);
      for (std::size_t i = 0; i < parts.size(); ++i) {
        auto address = Address(parts[i], why);
        if (!address) {
          if (parts.size() == 1) return Malformed(where + why);
          return Malformed(where + "address " + std::to_string(i + 1) + " of " +
                           std::to_string(parts.size()) + ": " + why);
        }
        if (std::none_of(
                result.receivers.begin(), result.receivers.end(),
                [&](const std::string& r) { return EqualsAsciiIgnoreCase(r, *address); })) {
          result.receivers.push_back(std::move(*address));
        }
      }
    }
    position = next;
  }

  if (senders == 0) return Malformed("no x-sender line");
  if (senders > 1) return Malformed("more than one x-sender line");
  if (result.receivers.empty()) return Malformed("no x-receiver line");
  if (position == content.size()) return Malformed("no message after the envelope");
  result.message = std::string(content.substr(position));
  return {std::move(result), {}};
}

std::string FormatEnvelope(std::string_view receiver, std::string_view sender) {
  return "x-receiver: " + std::string(receiver) + "\r\nx-sender: " + std::string(sender) + "\r\n";
}

}  // namespace quarvel::platform::smtp
