// The store properties of a delivered message, derived as the real store
// derives them: the transport headers are the raw header block (lines joined
// by CR LF), the subject is the decoded "Subject:" (MIME encoded words), the
// sender address comes from "From:", the message class defaults to
// "IPM.Note", and the spam confidence level is what the delivery gives.
//
// Uses GMime; a message it cannot parse still gets its raw headers and class,
// with empty subject and sender. Never throws for bad message content.
// Thread-safe.
#pragma once

#include <optional>
#include <string>

#include "platform/store/PublicStore.h"

namespace quarvel::platform::store {

// Full property names the store derives.
inline constexpr const char* kPropMessageClass =
    "http://schemas.microsoft.com/mapi/proptag/x001a001e";
inline constexpr const char* kPropTransportHeaders =
    "http://schemas.microsoft.com/mapi/proptag/x007d001e";
inline constexpr const char* kPropSpamConfidenceLevel =
    "http://schemas.microsoft.com/mapi/proptag/x40760003";
inline constexpr const char* kPropSubject = "urn:schemas:httpmail:subject";
inline constexpr const char* kPropFromEmail = "urn:schemas:httpmail:fromemail";
inline constexpr const char* kPropFrom = "urn:schemas:httpmail:from";
inline constexpr const char* kPropContentClass = "DAV:contentclass";

struct DeliveryFacts {
  std::string messageClass = "IPM.Note";
  std::optional<int> spamConfidenceLevel;  // -1 to 9; absent when not scanned
};

[[nodiscard]] PropertyMap DeriveMessageProperties(const std::string& message,
                                                  const DeliveryFacts& facts);

// The header block of a message: everything before the first empty line,
// with LF-only line ends turned into CR LF, ending in CR LF.
[[nodiscard]] std::string RawHeaderBlock(const std::string& message);

}  // namespace quarvel::platform::store
