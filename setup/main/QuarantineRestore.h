// Restoring quarantined mail: the items of one public folder that a move
// rule took out of the folder they were delivered to go back there.
//
// Such an item carries "Originally delivered to", the store URL (either
// form) of the folder it was delivered to. Restoring moves it through the
// program's store connection, whose records raise no store event: the rules
// never see the item again and cannot move it back. It keeps its name in the
// folder it returns to unless that is taken; then the first free
// "<stem>-2<ext>", "<stem>-3<ext>", ... is used. Nothing is ever
// overwritten, and the message bytes are not touched.
//
// The marks on a restored item: "Move to" and "Forward to" are removed, so
// that a later save of the item finds nothing to carry out; the handled
// marker becomes the e-mail address of the folder it returns to (removed
// when the folder has none), which makes the sink leave the item alone on a
// later save (a replication) whatever rule it matches; "Originally
// delivered to" stays, so the item still says where it came from, and a
// restore run on that folder leaves it where it is ("already home"). Running a restore twice is
// therefore safe: a restored item no longer sits in the quarantine folder.
//
// Every item is restored in a transaction of its own: afterwards it is
// either in its folder with the marks removed, or where it was, untouched.
// A dry run opens nothing for writing.
//
// A filter picks items as a rule's condition would: the same header ("Subject",
// "IMFSCL" or a transport header line, any letter case) and the same
// condition test and pattern language.
//
// Failures: a folder that is not a folder of this store, or no store
// connection, throws RestoreFolderError before anything is done; a failing
// listing throws PlatformError. What happens to each item is reported, never
// thrown. Uses the store connection that start-up opened and the
// public-folder root URL. Window thread only.
#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "setup/main/SetupContext.h"

namespace quarvel::setup {

class RestoreFolderError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Which items to restore: those whose `header` satisfies `pattern`, tested
// exactly as a rule with that header and condition value tests an item.
struct RestoreFilter {
  std::string header = "Subject";
  std::string pattern;
};

enum class RestoreResult {
  kRestored,       // moved back (a dry run: would be)
  kNoMark,         // no "Originally delivered to": no rule put it here; it stays
  kAlreadyHome,    // the mark names the folder it is in; it stays
  kTargetGone,     // the folder it was delivered to no longer exists; it stays
  kTargetInvalid,  // the mark names no public folder of this store; it stays
  kFailed,         // the store refused; it stays as it was
};

struct RestoredItem {
  std::string url;      // in the folder restored from
  std::string subject;  // as the store keeps it
  RestoreResult result = RestoreResult::kNoMark;
  std::string mark;         // "Originally delivered to", trimmed
  std::string destination;  // the item's new URL (kRestored)
  std::string detail;       // the store's description (kFailed)
};

struct RestoreSummary {
  int restored = 0;
  int noMark = 0;
  int alreadyHome = 0;
  int notRestored = 0;  // target gone, target invalid or failed
  int notSelected = 0;  // left out by the filter, not reported one by one
  // Every marked item that was selected is back home (or would be).
  [[nodiscard]] bool AllRestored() const { return notRestored == 0; }
};

// The folder URL on a connection opened on `rootUrl` ("<scheme>://<host>/Public/")
// for a URL of either store form (percent-encoded or not; scheme, host and
// domain do not matter) or, with `allowPath`, a path below the root such as
// "Junk Mail/Quarantine" (taken literally). nullopt for anything else and for
// the root itself.
[[nodiscard]] std::optional<std::string> FolderUrlOnRoot(std::string_view rootUrl,
                                                         std::string_view folder, bool allowPath);

// Why a filter could not work as a rule's condition (an empty header, an
// invalid wildcard pattern); nullopt when it can.
[[nodiscard]] std::optional<std::string> RestoreFilterProblem(const RestoreFilter& filter);

class QuarantineRestore {
 public:
  explicit QuarantineRestore(SetupContext& context) : context_(context) {}

  // The URL of `folder` (see FolderUrlOnRoot) as the store spells it;
  // throws RestoreFolderError when it is no folder of the store.
  [[nodiscard]] std::string FolderHref(std::string_view folder);

  // Restores the items of `folder` (see FolderHref), those `filter`
  // selects, reporting each selected item to `report` as it is done.
  RestoreSummary Restore(std::string_view folder, const std::optional<RestoreFilter>& filter,
                         bool dryRun, const std::function<void(const RestoredItem&)>& report);

 private:
  SetupContext& context_;
};

}  // namespace quarvel::setup
