#include "sink/CommitDecision.h"

#include <utility>

#include "common/MoveDestination.h"
#include "sink/ItemProperties.h"

namespace quarvel::sink {

namespace {

bool HasLineBreak(std::string_view value) {
  return value.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

CommitDecision DecideCommit(const CommitMarks& marks, std::string_view parentUrl) {
  CommitDecision decision;
  if (marks.moveTo.empty() && marks.forwardTo.empty()) return decision;
  const char* const what = marks.moveTo.empty() ? "forward" : "move";
  if (marks.messageClass.empty() || IsExcludedClass(marks.messageClass)) {
    decision.whyNot = "the item is not mail (class \"" + marks.messageClass + "\"): its " + what +
                      " mark is not acted on";
    return decision;
  }
  if (marks.deliveredTo.empty()) {
    decision.whyNot = std::string("the item has no \"") + std::string(kOriginallyDeliveredTo) +
                      "\" mark: its " + what + " mark is not acted on";
    return decision;
  }
  // The mapping finds the tree's root for a forward too: below no root the
  // sink does nothing.
  auto destination = sinkmarks::MoveDestinationFolder(marks.moveTo, parentUrl);
  if (!destination) {
    decision.whyNot = "the item's folder is not below \"/Public Folders/\": nothing is done";
    return decision;
  }
  if (!marks.moveTo.empty()) {
    decision.action = CommitAction::kMove;
    decision.destinationFolder = std::move(*destination);
  } else {
    decision.action = CommitAction::kForward;
  }
  return decision;
}

std::string ForwardObstacle(std::string_view forwardTo, std::string_view sender,
                            std::string_view pickupPath) {
  if (sender.empty()) return "the message has no sender address";
  if (HasLineBreak(sender)) return "the sender address holds a line break";
  if (HasLineBreak(forwardTo)) return "the forward target holds a line break";
  if (pickupPath.empty()) return "the rule file names no pickup directory";
  return {};
}

}  // namespace quarvel::sink
