// `quarvel-explain eval`: what the sink would do with a message, without a
// store. The message's properties are derived by the same code the simulated
// store uses; the sink's own begin phase runs on an in-memory copy (which
// refuses what the store refuses), and the commit phase's own decisions
// (CommitDecision) say what follows, so the answer is the sink's answer.
// Nothing is changed anywhere.
//
// The command streams: each message is read, evaluated, printed and
// forgotten before the next, so memory stays the same however many messages
// it is given. Single-threaded (it uses this thread's sink state).
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sink/RuleMatching.h"

namespace quarvel::explain {

struct EvalOptions {
  std::string ruleFile;  // "" = the rule file beside the sink module
  std::optional<int> spamConfidenceLevel;
  std::string messageClass = "IPM.Note";
  std::string folderUrl;      // the folder the message arrives in
  std::string folderAddress;  // that folder's e-mail address
  bool verbose = false;       // record and show every rule visited
  bool json = false;
  // Whether a folder (by URL) exists; empty when no server is known, and the
  // move's destination is then taken on trust.
  std::function<bool(const std::string& folderUrl)> folderExists;
};

// What the sink does with a message. kStays: a move or forward was intended
// but cannot happen.
enum class EvalOutcome : std::uint8_t {
  kDelete,
  kMove,
  kForward,
  kReturning,
  kHandled,
  kNothing,
  kSkipped,
  kStays,
};

// The outcome as reports show it: "delete", "move", "forward", "returning",
// "handled", "nothing", "skipped", "stays".
[[nodiscard]] std::string_view OutcomeText(EvalOutcome outcome);

// What the sink does with one message, begin and commit phase together.
struct Evaluation {
  std::string message;      // file or item name, for the report
  std::optional<int> rule;  // the rule that decided (1-based)
  EvalOutcome outcome = EvalOutcome::kNothing;
  std::string target;       // the rule's target, or the first folder of a returning message
  std::string destination;  // move: the folder it goes into; forward: the pickup directory
  std::string whyNot;       // "stays": why
  bool reclassed = false;   // a post became "IPM.Note"
  std::string explanation;  // one line for a person
  std::vector<sink::RuleVisit> visits;  // with `verbose`: every rule looked at, in order
};

// Evaluates one message (its raw bytes) under the rules of `rules`.
[[nodiscard]] Evaluation EvaluateMessage(const RuleFileReader& rules, const std::string& name,
                                         const std::string& message, const EvalOptions& options);

// The same for a message whose store properties are already known (an item
// of the simulated store).
[[nodiscard]] Evaluation EvaluateItem(
    const RuleFileReader& rules, const std::string& name, const std::string& message,
    const std::vector<std::pair<std::string, std::string>>& properties, const EvalOptions& options);

// The visits appear only when `verbose`.
[[nodiscard]] nlohmann::json ToJson(const Evaluation& evaluation, bool verbose);
void PrintEvaluation(const Evaluation& evaluation, bool verbose, std::ostream& out);

// The command: message files (a directory stands for the files in it, in
// name order), or with `folder` every item of that folder of the simulated
// server at `serverRoot`. With a `serverRoot` the target folders of moves are
// looked up there. Exit 0, or 1 when an input was unusable.
int RunEval(const std::vector<std::string>& messages, const std::string& folder,
            const std::string& serverRoot, const EvalOptions& options, std::ostream& out,
            std::ostream& err);

}  // namespace quarvel::explain
