#include "sink/PickupForward.h"

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
  const auto now = services.localTime();
  for (int attempt = 0; attempt < kPickupNameAttempts; ++attempt) {
    const auto final = PickupFileName(pickupPath, now, services.randomNumber());
    try {
      stream.SaveToFile(final);
      return final;
    } catch (const platform::PlatformError& error) {
      if (error.Number() != platform::kErrFileExists) throw;
    }
  }
  throw platform::PlatformError(platform::kErrFileExists,
                                "no free pickup file name in " + pickupPath);
}

}  // namespace quarvel::sink
