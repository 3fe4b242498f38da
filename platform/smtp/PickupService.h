// The SMTP service's pickup stand-in: it takes the files that appear in the
// pickup directory and sends each message on. A recipient that is a public
// folder's address gets the message stored in that folder (raising the
// folder's store events, so a forward that comes back to its own folder is
// seen as such); any other recipient gets a copy in the Drop directory, as a
// service without outside connections leaves it.
//
// A pass, in order:
//  1. takes the queue directory's lock, so that two services never work on
//     one queue;
//  2. forgets the receipts of files no longer queued (a pass that stopped
//     between finishing a file and forgetting them);
//  3. sends the files left in the queue directory by a pass that stopped
//     half-way (a crash, or a temporary failure), then
//  4. takes every regular, non-hidden file of the pickup directory in name
//     order; hidden ones (a file another program is still writing) and
//     anything that is not a regular file stay where they are. Each file is
//     first renamed into the queue directory (atomic, never over another
//     file), so no second pass or second service takes it again, then sent,
//     then removed - only after every recipient has its copy.
//
// Exactly once: each recipient's copy is recorded as a receipt with the mail
// store (MailDelivery), a folder copy in the same transaction as the stored
// item itself, so a file sent again after a crash skips every recipient that
// has its copy. A Drop copy is recorded right after it is written; one
// written just before a crash is found again in Drop by its content.
//
// Drop copies: "<file stem>.<recipient number>.eml" (never over another
// file), holding "x-receiver: <address>" and "x-sender: <address>" lines in
// front of the message, so a person sees where it was going; the copy is a
// pickup file itself and can be put back into the pickup directory.
//
// Badmail takes only malformed files (and files larger than
// kMaxPickupFileSize), byte-exact, with "<name>.reason" beside it saying why.
// A name already taken there gets "~2", "~3", ... before its extension.
//
// Every other failure - the store refusing or failing a delivery (a full
// disk, a busy database, a folder that denies access), a Drop copy, the
// queue - leaves the file in the queue, counted as left for later: the next
// pass tries again and sends only the copies still missing. Only failures
// that stop a pass as a whole (the queue directory cannot be created, listed
// or locked; the receipts cannot be read) throw PlatformError. Every file is
// reported to the log stream.
//
// The queue directory must be on the pickup directory's file system (a move
// there is one rename); Drop and Badmail may be anywhere.
//
// One thread uses a PickupService; several processes may each run one on the
// same directories (the lock serialises their passes).
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

#include "platform/metabase/Metabase.h"
#include "platform/smtp/MailDelivery.h"

namespace quarvel::platform::smtp {

struct PickupDirectories {
  std::filesystem::path pickup;
  std::filesystem::path queue;
  std::filesystem::path drop;
  std::filesystem::path badmail;
};

// How receipts name a pickup file: its name and a digest of its content, so
// a later file of the same name is another file.
[[nodiscard]] std::string PickupFileKey(const std::string& name, std::string_view content);

// A virtual server's directories, as the metabase keeps them.
[[nodiscard]] PickupDirectories DirectoriesOf(const metabase::SmtpVirtualServer& server);

struct PassSummary {
  int filesSeen = 0;           // files taken up (from the pickup or queue directory)
  int deliveredToFolders = 0;  // recipient copies stored in public folders
  int dropped = 0;             // recipient copies written into Drop
  int badmail = 0;             // files moved into Badmail
  int leftForLater = 0;        // files a local failure kept for the next pass

  PassSummary& operator+=(const PassSummary& other);
  bool operator==(const PassSummary&) const = default;
};

// "3 files: 2 delivered to folders, 1 dropped, 0 to Badmail, 0 left for later."
[[nodiscard]] std::string DescribePass(const PassSummary& summary);

class PickupService {
 public:
  using Sleep = std::function<void(std::chrono::milliseconds)>;

  // `delivery` and `log` must outlive the service. Directories that do not
  // exist are created by the first pass.
  PickupService(PickupDirectories directories, MailDelivery& delivery, std::ostream& log);

  [[nodiscard]] const PickupDirectories& Directories() const { return directories_; }

  // One pass over the queue and pickup directories.
  PassSummary RunPass();

  // Runs passes `interval` apart for as long as `keepGoing` says so (asked
  // before each pass and at least every 50 ms while waiting), and returns the
  // passes' totals. A pass that throws is reported to the log and the next
  // one runs as usual. `sleep` waits (default: this thread sleeps).
  PassSummary Watch(std::chrono::milliseconds interval, const std::function<bool()>& keepGoing,
                    const Sleep& sleep = {});

 private:
  class Pass;

  PickupDirectories directories_;
  MailDelivery& delivery_;
  std::ostream& log_;
};

}  // namespace quarvel::platform::smtp
