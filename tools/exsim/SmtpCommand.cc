#include "tools/exsim/SmtpCommand.h"

#include <chrono>
#include <ostream>

#include "platform/PlatformError.h"
#include "platform/metabase/Metabase.h"
#include "platform/store/GroupCommit.h"
#include "tools/exsim/Delivery.h"

namespace quarvel::exsim {

namespace smtp = platform::smtp;
namespace fs = std::filesystem;

std::optional<smtp::PublicFolder> ServerMailDelivery::FolderForAddress(const std::string& address) {
  const auto folder = server_.Store().FindFolderByAddress(address);
  if (!folder) return std::nullopt;
  return smtp::PublicFolder{server_.FileUrl(*folder)};
}

std::string ServerMailDelivery::DeliverToFolder(const smtp::PublicFolder& folder,
                                                const std::string& message, const std::string& name,
                                                const smtp::Receipt& receipt) {
  DeliveryOptions options;  // delivered mail of class IPM.Note, no spam level
  const auto result =
      DeliverMessage(server_, server_.ResolveDeliveryFolder(folder.url), name, message, options,
                     platform::store::DeliveryReceipt{receipt.file, receipt.recipient});
  // The service's log is where a warning of the store reaches a person.
  auto outcome = result.entry.outcome;
  for (const auto& warning : result.warnings) outcome += "; warning: " + warning;
  return outcome;
}

std::vector<std::string> ServerMailDelivery::Receipts(const std::string& file) {
  return receipts_.Recipients(file);
}

void ServerMailDelivery::RecordReceipt(const smtp::Receipt& receipt) {
  receipts_.Record({receipt.file, receipt.recipient});
}

void ServerMailDelivery::ForgetReceipts(const std::string& file) { receipts_.Forget(file); }

std::vector<std::string> ServerMailDelivery::ReceiptFiles() { return receipts_.Files(); }

smtp::PickupDirectories SmtpDirectories(const SimulatedServer& server) {
  const platform::metabase::Metabase metabase = server.ReadMetabase();
  if (const auto virtualServer = metabase.SmtpServer(1)) return smtp::DirectoriesOf(*virtualServer);
  const auto root = fs::absolute(server.Root());
  return {fs::absolute(server.PickupDirectory()), root / "Queue", root / "Drop", root / "Badmail"};
}

int RunSmtp(SimulatedServer& server, bool watch, int intervalMs, std::ostream& out,
            std::ostream& err, const std::function<bool()>& keepGoing) {
  ServerMailDelivery delivery(server);
  try {
    smtp::PickupService service(SmtpDirectories(server), delivery, out);
    smtp::PassSummary summary;
    if (watch) {
      out << "Watching " << service.Directories().pickup.string() << " every " << intervalMs
          << " ms; stop with Ctrl+C." << std::endl;
      summary = service.Watch(
          std::chrono::milliseconds(intervalMs), keepGoing ? keepGoing : [] { return true; });
    } else {
      summary = service.RunPass();
    }
    server.Store().Database().Commits().Sync();
    out << smtp::DescribePass(summary) << '\n';
    return summary.leftForLater == 0 ? 0 : 1;
  } catch (const platform::PlatformError& error) {
    err << "exsim: " << error.Description() << '\n';
    return 1;
  }
}

}  // namespace quarvel::exsim
