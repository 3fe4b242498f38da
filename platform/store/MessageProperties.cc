#include "platform/store/MessageProperties.h"

#include <gmime/gmime.h>

#include <algorithm>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string_view>

#include "common/Text.h"

namespace quarvel::platform::store {
namespace {

void InitGMime() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

struct GObjectUnref {
  void operator()(gpointer object) const {
    if (object != nullptr) g_object_unref(object);
  }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

std::string Text(const char* text) { return text == nullptr ? std::string() : std::string(text); }

// The first mailbox, looking into groups, as a group itself has no address.
std::string FirstMailbox(InternetAddressList* list) {
  if (list == nullptr) return {};
  const int count = internet_address_list_length(list);
  for (int i = 0; i < count; ++i) {
    InternetAddress* address = internet_address_list_get_address(list, i);
    std::string found;
    if (INTERNET_ADDRESS_IS_MAILBOX(address)) {
      found = Text(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address)));
    } else if (INTERNET_ADDRESS_IS_GROUP(address)) {
      found = FirstMailbox(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(address)));
    }
    if (!found.empty()) return found;
  }
  return {};
}

struct ParsedHeaders {
  std::string subject;
  std::string from;
  std::string fromEmail;
};

bool IsNamed(std::string_view name, std::string_view wanted) {
  return name.size() == wanted.size() &&
         std::equal(name.begin(), name.end(), wanted.begin(),
                    [](char a, char b) { return text::AsciiLower(a) == b; });
}

// The fields the derived properties come from, "Subject:" and "From:", each
// with its continuation lines, in their order. The parser sees nothing else:
// the relay lines and signatures that make up most of a header block cannot
// change these values and cost most of the parse. A line whose field name is
// not a valid one (such as "x-Originally delivered to:", which a returning
// forward carries first) is no Subject or From line either. The transport
// headers property keeps every line.
std::string SubjectAndFromFields(const std::string& headerBlock) {
  std::string kept;
  bool keeping = false;
  std::size_t start = 0;
  while (start < headerBlock.size()) {
    auto end = headerBlock.find('\n', start);
    end = end == std::string::npos ? headerBlock.size() : end + 1;
    const std::string_view line(headerBlock.data() + start, end - start);
    start = end;
    if (line.front() == ' ' || line.front() == '\t') {
      if (keeping) kept += line;
      continue;
    }
    const auto colon = line.find(':');
    const auto name = line.substr(0, colon == std::string_view::npos ? 0 : colon);
    keeping = IsNamed(name, "subject") || IsNamed(name, "from");
    if (keeping) kept += line;
  }
  return kept;
}

ParsedHeaders ParseHeaders(const std::string& headerBlock) {
  InitGMime();
  // GLib's slice allocator passes blocks between threads under its own futex
  // locks, which ThreadSanitizer cannot see; one parse at a time keeps the
  // concurrent delivery tests' reports true, and a header block parses fast.
  static std::mutex gmimeMutex;
  std::lock_guard lock(gmimeMutex);
  ParsedHeaders parsed;
  // Only the header block: the body cannot change these values, and skipping it
  // keeps large or malformed MIME bodies out of the parser.
  const std::string text = SubjectAndFromFields(headerBlock) + "\r\n";
  GObjectPtr<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(text.data(), text.size()));
  if (!stream) return parsed;
  GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
  if (!parser) return parsed;
  GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
  if (!message) return parsed;

  parsed.subject = Text(g_mime_message_get_subject(message.get()));
  parsed.fromEmail = FirstMailbox(g_mime_message_get_from(message.get()));
  // GMime hands out header values unfolded and decoded: decoding again would
  // turn text that merely looks like an encoded word into something else.
  parsed.from = Text(g_mime_object_get_header(GMIME_OBJECT(message.get()), "From"));
  return parsed;
}

}  // namespace

std::string RawHeaderBlock(const std::string& message) {
  std::string block;
  std::size_t begin = 0;
  while (begin < message.size()) {
    std::size_t end = message.find('\n', begin);
    const std::size_t next = end == std::string::npos ? message.size() : end + 1;
    if (end == std::string::npos) end = message.size();
    std::string_view line(message.data() + begin, end - begin);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) break;
    block.append(line);
    block += "\r\n";
    begin = next;
  }
  return block;
}

PropertyMap DeriveMessageProperties(const std::string& message, const DeliveryFacts& facts) {
  const std::string headers = RawHeaderBlock(message);
  PropertyMap properties;
  properties[kPropTransportHeaders] = headers;
  properties[kPropMessageClass] = facts.messageClass;
  properties[kPropContentClass] = "urn:content-class:message";
  if (facts.spamConfidenceLevel) properties[kPropSpamConfidenceLevel] = *facts.spamConfidenceLevel;
  ParsedHeaders parsed;
  try {
    parsed = ParseHeaders(headers);
  } catch (...) {
    // Bad content must never stop a delivery; the raw headers are kept anyway.
  }
  properties[kPropSubject] = parsed.subject;
  properties[kPropFrom] = parsed.from;
  properties[kPropFromEmail] = parsed.fromEmail;
  return properties;
}

}  // namespace quarvel::platform::store
