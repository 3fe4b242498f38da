// Forwarding through the SMTP service's pickup directory: a file of envelope
// lines ("x-receiver: ", "x-sender: ") followed by the message, which the
// service sends on.
//
// A file appears in the pickup directory only when complete: the stream saves
// it straight under its final name, which it takes only once the file is
// complete and never over an existing file, so a crash leaves nothing behind.
// A final name that is taken is retried with a new random number.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "sink/SinkServices.h"
#include "sink/StoreAccess.h"

namespace quarvel::sink {

// How many final names are tried before the forward gives up.
inline constexpr int kPickupNameAttempts = 5;

// pickupPath, "/", then day, month, year, hour and minute as decimal text
// without leading zeros, then the random number, then ".eml".
[[nodiscard]] std::string PickupFileName(const std::string& pickupPath, const std::tm& localTime,
                                         std::uint64_t randomNumber);

// The three lines put in front of the message: the two envelope lines and the
// folder the message was first delivered to, which travels as its first header.
[[nodiscard]] std::string PickupFileHeader(const std::string& forwardTo, const std::string& sender,
                                           const std::string& deliveredToUrl);

// Saves the stream's whole content into the pickup directory and returns the
// final path. Throws PlatformError when no file could be completed
// (kErrFileExists when every name tried was taken).
std::string SaveToPickupDirectory(MessageStream& stream, const std::string& pickupPath,
                                  const SinkServices& services);

}  // namespace quarvel::sink
