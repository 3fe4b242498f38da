// What the commit phase will do with an item's marks: move it, forward it, or
// leave it where it is, and why. The commit phase acts on these answers and
// the administrator's dry run reports them, so the two never disagree.
//
// Pure functions of the texts given: safe on any thread, never throw.
#pragma once

#include <string>
#include <string_view>

namespace quarvel::sink {

// The marks as the commit phase reads them from the item, each trimmed.
struct CommitMarks {
  std::string messageClass;  // upper case
  std::string deliveredTo;   // "Originally delivered to"
  std::string moveTo;        // "Move to"
  std::string forwardTo;     // "Forward to"
};

enum class CommitAction { kNothing, kMove, kForward };

struct CommitDecision {
  CommitAction action = CommitAction::kNothing;
  // For a move: the URL of the folder the item goes into.
  std::string destinationFolder;
  // For kNothing: why the marks lead to nothing; empty when the item carries
  // no move or forward mark at all.
  std::string whyNot;
};

// The decision from the marks and the URL of the folder that holds the item.
// A move takes precedence over a forward. A forward still depends on the
// sender and the pickup directory (ForwardObstacle).
[[nodiscard]] CommitDecision DecideCommit(const CommitMarks& marks, std::string_view parentUrl);

// Why a marked forward cannot be written to the pickup directory, or "" when
// it can: no sender address, a line break in the sender or the target (it
// would inject envelope lines), or no pickup directory in the rule file.
[[nodiscard]] std::string ForwardObstacle(std::string_view forwardTo, std::string_view sender,
                                          std::string_view pickupPath);

}  // namespace quarvel::sink
