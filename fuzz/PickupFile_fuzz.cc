// Pickup files come from anything that can write into the pickup directory:
// any bytes must be refused with a reason or yield addresses that cannot
// inject envelope lines, and a message that is the file's own tail.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/smtp/PickupFileFormat.h"

namespace {

bool IsCleanAddress(std::string_view address) {
  if (address.empty() || address.find('@') == std::string_view::npos) return false;
  for (const char c : address) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F || c == '<' || c == '>') return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quarvel::platform::smtp;
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  const auto parsed = ParsePickupFile(content);
  if (!parsed.file) {
    if (parsed.whyMalformed.empty()) std::abort();  // refused without a reason
    return 0;
  }
  const auto& mail = *parsed.file;
  if (!IsCleanAddress(mail.sender) || mail.receivers.empty()) std::abort();
  if (mail.message.empty() || !content.ends_with(mail.message)) std::abort();
  for (const auto& receiver : mail.receivers) {
    if (!IsCleanAddress(receiver)) std::abort();
    // A Drop copy is a pickup file that sends the same message to the same one.
    const auto copy = FormatEnvelope(receiver, mail.sender) + mail.message;
    if (copy.size() > kMaxPickupFileSize) continue;
    const auto again = ParsePickupFile(copy);
    if (!again.file || again.file->sender != mail.sender || again.file->receivers.size() != 1 ||
        again.file->receivers[0] != receiver || again.file->message != mail.message) {
      std::abort();
    }
  }
  return 0;
}
