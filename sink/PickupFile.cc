#include "sink/PickupFile.h"

#include "platform/PlatformError.h"

namespace quarvel::sink {

std::string PickupFileName(const std::string& pickupPath, const std::tm& localTime,
                           std::uint64_t randomNumber) {
  return pickupPath + "/" + std::to_string(localTime.tm_mday) +
         std::to_string(localTime.tm_mon + 1) + std::to_string(localTime.tm_year + 1900) +
         std::to_string(localTime.tm_hour) + std::to_string(localTime.tm_min) +
         std::to_string(randomNumber) + ".eml";
}

std::string PickupFileHeader(const std::string& forwardTo, const std::string& sender,
                             const std::string& deliveredToUrl) {
  return "x-receiver: " + forwardTo + "\r\nx-sender: " + sender +
         "\r\nx-Originally delivered to:" + deliveredToUrl + "\r\n";
}

std::string SaveToPickupDirectory(MessageStream& stream, const std::string& pickupPath,
                                  const SinkServices& services) {
  // A dot name: the pickup service leaves hidden files alone.
  const auto temporary =
      pickupPath + "/.quarvel-" + std::to_string(services.randomNumber()) + ".tmp";
  stream.SaveToFile(temporary);
  try {
    const auto now = services.localTime();
    for (int attempt = 0; attempt < kPickupNameAttempts; ++attempt) {
      const auto final = PickupFileName(pickupPath, now, services.randomNumber());
      if (services.renameNoReplace(temporary, final)) return final;
    }
    throw platform::PlatformError(platform::kErrFileExists,
                                  "no free pickup file name in " + pickupPath);
  } catch (...) {
    try {
      services.removeFile(temporary);
    } catch (...) {
      // The first failure is the one worth reporting; a leftover hidden file
      // is never sent.
    }
    throw;
  }
}

}  // namespace quarvel::sink
