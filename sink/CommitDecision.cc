#include "sink/CommitDecision.h"

#include "sink/ItemProperties.h"

namespace quarvel::sink {

namespace {

constexpr std::string_view kStoreRoot = "/Public Folders/";
constexpr std::string_view kListedRoot = "/Public/";

bool HasLineBreak(std::string_view value) {
  return value.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

std::string MoveDestinationFolder(std::string_view moveTo, std::string_view parentUrl,
                                  std::size_t storeRootEnd) {
  std::string folder;
  if (const auto listed = moveTo.find(kListedRoot); listed == std::string_view::npos) {
    folder = moveTo;
  } else {
    folder.assign(parentUrl.substr(0, storeRootEnd));
    folder.append(moveTo.substr(listed + kListedRoot.size()));
  }
  // The item's name follows a "/"; a target written with its own would give
  // "//", a name the store refuses. A lone "/" is no folder either way.
  if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

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
  const auto storeRoot = parentUrl.rfind(kStoreRoot);
  if (storeRoot == std::string_view::npos) {
    decision.whyNot = "the item's folder is not below \"/Public Folders/\": nothing is done";
    return decision;
  }
  if (!marks.moveTo.empty()) {
    decision.action = CommitAction::kMove;
    decision.destinationFolder =
        MoveDestinationFolder(marks.moveTo, parentUrl, storeRoot + kStoreRoot.size());
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
