// `quarvel-explain eval`: what the sink's begin phase would do with a
// message, without a store. The message's properties are derived by the same
// code the simulated store uses, and the sink's own rule evaluation runs on
// an in-memory copy, so the answer is the sink's answer. Nothing is changed.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sink/RuleMatching.h"

namespace quarvel::explain {

struct EvalOptions {
  std::string ruleFile;          // "" = the rule file beside the sink module
  std::optional<int> spamConfidenceLevel;
  std::string messageClass = "IPM.Note";
  std::string folderUrl;         // the folder the message arrives in
  std::string folderAddress;     // that folder's e-mail address
  bool verbose = false;
  bool json = false;
};

// What the begin phase does with one message.
struct Evaluation {
  std::string message;                  // file or item name, for the report
  std::optional<int> rule;              // the rule that decided (1-based)
  std::string outcome;                  // "delete", "move", "forward", "returning",
                                        // "handled", "nothing", "skipped"
  std::string target;                   // move target, forward address, or first folder
  bool reclassed = false;               // a post became "IPM.Note"
  std::string explanation;              // one line for a person
  std::vector<sink::RuleVisit> visits;  // every rule looked at, in order
};

// Evaluates one message (its raw bytes) under the rules of `rules`.
[[nodiscard]] Evaluation EvaluateMessage(const sink::RuleFileReader& rules,
                                         const std::string& name, const std::string& message,
                                         const EvalOptions& options);

// The same for a message whose store properties are already known (an item
// of the simulated store).
[[nodiscard]] Evaluation EvaluateItem(const sink::RuleFileReader& rules, const std::string& name,
                                      const std::string& message,
                                      const std::vector<std::pair<std::string, std::string>>& properties,
                                      const EvalOptions& options);

[[nodiscard]] nlohmann::json ToJson(const Evaluation& evaluation);
void PrintEvaluation(const Evaluation& evaluation, bool verbose, std::ostream& out);

// The command: message files, or with `folder` every item in a folder of the
// simulated server at `serverRoot`. Exit 0, or 1 when an input was unusable.
int RunEval(const std::vector<std::string>& messages, const std::string& folder,
            const std::string& serverRoot, const EvalOptions& options, std::ostream& out,
            std::ostream& err);

}  // namespace quarvel::explain
