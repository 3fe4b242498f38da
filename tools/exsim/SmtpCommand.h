// `exsim smtp`: the SMTP pickup service of the simulated server. It reads the
// directories of virtual server 1 from the metabase (EXSIM_ROOT/metabase.json;
// without one, the server's own pickup directory with Queue, Drop and Badmail
// beside it), delivers pickup files to public folders through the server's
// store - raising their store events - and drops mail for other addresses.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "platform/server/SimulatedServer.h"
#include "platform/smtp/MailDelivery.h"
#include "platform/smtp/PickupService.h"
#include "platform/store/DeliveryReceipts.h"

namespace quarvel::exsim {

// exsim works on the platform's simulated server.
using platform::server::SimulatedServer;

// Mail delivery into the simulated server's public folders: a folder is found
// by its e-mail address; a message goes in as delivered mail of class
// IPM.Note, raising the folder's store events, and its receipt commits in
// the same transaction as the item. Receipts live in the store database.
// Failures are PlatformError from the store. Safe for one thread at a time
// per object; the server may be shared.
class ServerMailDelivery : public platform::smtp::MailDelivery {
 public:
  explicit ServerMailDelivery(SimulatedServer& server)
      : server_(server), receipts_(server.Store()) {}

  [[nodiscard]] std::optional<platform::smtp::PublicFolder> FolderForAddress(
      const std::string& address) override;
  // Returns the store's outcome for the item ("stayed", "deleted", ...),
  // followed by the store's warnings, if any.
  std::string DeliverToFolder(const platform::smtp::PublicFolder& folder,
                              const std::string& message, const std::string& name,
                              const platform::smtp::Receipt& receipt) override;
  [[nodiscard]] std::vector<std::string> Receipts(const std::string& file) override;
  void RecordReceipt(const platform::smtp::Receipt& receipt) override;
  void ForgetReceipts(const std::string& file) override;
  [[nodiscard]] std::vector<std::string> ReceiptFiles() override;

 private:
  SimulatedServer& server_;
  platform::store::DeliveryReceipts receipts_;
};

// The directories of virtual server 1 in the server's metabase, or the
// server's defaults when the metabase has none. Throws PlatformError for a
// metabase file that cannot be read.
[[nodiscard]] platform::smtp::PickupDirectories SmtpDirectories(const SimulatedServer& server);

// One pass (or, with `watch`, passes `intervalMs` apart for as long as
// `keepGoing` says so; no `keepGoing` means until the process ends). Each
// file is reported to `out`, then the totals. A pass that fails is reported
// to `err` (while watching, to `out`, and the next pass runs). Everything
// stored is on disk when it returns. Returns 0, or 1 when a pass failed or a
// file was left for later.
int RunSmtp(SimulatedServer& server, bool watch, int intervalMs, std::ostream& out,
            std::ostream& err, const std::function<bool()>& keepGoing = {});

}  // namespace quarvel::exsim
