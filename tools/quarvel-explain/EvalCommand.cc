#include "tools/quarvel-explain/EvalCommand.h"

#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/events/EventFlags.h"
#include "platform/store/MessageProperties.h"
#include "sink/ItemProperties.h"
#include "sink/MemoryStore.h"
#include "sink/QuarvelModule.h"
#include "tools/exsim/SimulatedServer.h"
#include "tools/quarvel-explain/ExplainCommands.h"

namespace quarvel::explain {

namespace {

namespace fs = std::filesystem;

// Where an evaluated message is taken to arrive when no folder is named: the
// returning-message test only needs the folder's address.
constexpr const char* kDefaultFolderUrl =
    "file://./backofficestorage/localhost/Public Folders/Evaluated";

std::string Property(const sink::MemoryStore& store, const std::string& item,
                     std::string_view name) {
  return store.Property(item, std::string(name)).value_or("");
}

// Runs the sink's own rule search with a record of every rule, then the real
// begin phase on an in-memory copy, and reads what it did from the copy.
Evaluation Evaluate(const sink::RuleFileReader& rules, const std::string& name,
                    sink::MemoryStore::Item item, const EvalOptions& options) {
  const auto folder = options.folderUrl.empty() ? std::string(kDefaultFolderUrl) : options.folderUrl;
  const auto url = folder + "/item.eml";
  sink::MemoryStore store;
  store.AddFolder(folder, options.folderAddress);
  store.PutItem(url, std::move(item));

  auto& state = sink::ThreadState();
  sink::LoadRules(state, rules);
  Evaluation evaluation;
  evaluation.message = name;
  const auto itemClass = text::UpperCase(text::Trim(Property(store, url, sink::kMessageClassRead)));
  if (itemClass.empty() || sink::IsExcludedClass(itemClass)) {
    evaluation.outcome = "skipped";
    evaluation.explanation = itemClass.empty() ? "the item has no message class: no rule is looked at"
                                               : "class " + itemClass + " is not mail: no rule is looked at";
    return evaluation;
  }
  {
    auto record = store.OpenRecord(url);
    if (const auto matched = sink::FindMatchingRule(*record, state, &evaluation.visits)) {
      evaluation.rule = static_cast<int>(*matched + 1);
    }
  }

  const auto before = *store.FindItem(url);
  sink::SaveBegin(*store.OpenRecord(url), url,
                  platform::EVT_SYNC_BEGIN | platform::EVT_IS_DELIVERED | platform::EVT_NEW_ITEM);
  const auto after = store.FindItem(url);
  const auto rule = evaluation.rule ? "rule " + std::to_string(*evaluation.rule) : std::string();
  if (!after) {
    evaluation.outcome = "delete";
    evaluation.explanation = rule + ": the message is deleted";
    return evaluation;
  }
  evaluation.reclassed = Property(store, url, sink::kMessageClassRead) == sink::kNoteClass &&
                         itemClass == sink::kPostClass;
  const auto moveTo = Property(store, url, sink::kMoveTo);
  const auto forwardTo = Property(store, url, sink::kForwardTo);
  const auto deliveredTo = Property(store, url, sink::kOriginallyDeliveredTo);
  if (!moveTo.empty()) {
    evaluation.outcome = "move";
    evaluation.target = moveTo;
    evaluation.explanation = rule + ": moved to " + moveTo;
  } else if (!forwardTo.empty()) {
    evaluation.outcome = "forward";
    evaluation.target = forwardTo;
    evaluation.explanation = rule + ": forwarded to " + forwardTo + " and removed from the folder";
  } else if (evaluation.rule && !deliveredTo.empty() &&
             before.properties.count(std::string(sink::kOriginallyDeliveredTo)) == 0) {
    evaluation.outcome = "returning";
    evaluation.target = deliveredTo;
    evaluation.explanation = rule + ": a forward that came back; its first folder " + deliveredTo +
                             " is recorded and it is not forwarded again";
  } else if (evaluation.rule) {
    evaluation.outcome = "handled";
    evaluation.explanation =
        rule + " matches, but the message was forwarded here before (or came back without "
               "its first folder): it is left alone";
  } else {
    evaluation.outcome = "nothing";
    evaluation.explanation = "no rule matches: the message stays";
  }
  if (evaluation.reclassed) evaluation.explanation += "; the post becomes IPM.Note";
  return evaluation;
}

std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace

Evaluation EvaluateItem(const sink::RuleFileReader& rules, const std::string& name,
                        const std::string& message,
                        const std::vector<std::pair<std::string, std::string>>& properties,
                        const EvalOptions& options) {
  sink::MemoryStore::Item item;
  item.message = message;
  for (const auto& [property, value] : properties) item.properties[property] = value;
  return Evaluate(rules, name, std::move(item), options);
}

Evaluation EvaluateMessage(const sink::RuleFileReader& rules, const std::string& name,
                           const std::string& message, const EvalOptions& options) {
  platform::store::DeliveryFacts facts;
  facts.messageClass = options.messageClass;
  facts.spamConfidenceLevel = options.spamConfidenceLevel;
  std::vector<std::pair<std::string, std::string>> properties;
  for (const auto& [property, value] : platform::store::DeriveMessageProperties(message, facts)) {
    properties.emplace_back(property, value.ToString());
  }
  return EvaluateItem(rules, name, message, properties, options);
}

nlohmann::json ToJson(const Evaluation& evaluation) {
  auto visits = nlohmann::json::array();
  for (const auto& visit : evaluation.visits) {
    visits.push_back({{"rule", visit.number},
                      {"header", visit.header},
                      {"value", visit.pattern},
                      {"tested", visit.tested},
                      {"matched", visit.matched},
                      {"why", visit.why}});
  }
  return {{"message", evaluation.message},
          {"rule", evaluation.rule ? nlohmann::json(*evaluation.rule) : nlohmann::json()},
          {"outcome", evaluation.outcome},
          {"target", evaluation.target},
          {"reclassed", evaluation.reclassed},
          {"explanation", evaluation.explanation},
          {"visits", visits}};
}

void PrintEvaluation(const Evaluation& evaluation, bool verbose, std::ostream& out) {
  out << evaluation.message << ": " << evaluation.explanation << '\n';
  if (!verbose) return;
  for (const auto& visit : evaluation.visits) {
    out << "  rule " << visit.number << "  " << visit.header << " \"" << visit.pattern << "\": "
        << (visit.matched ? "MATCH" : "no match") << " (" << visit.why << ")";
    if (!visit.tested.empty() && visit.tested.find('\n') == std::string::npos) {
      out << ", tested \"" << visit.tested << "\"";
    }
    out << '\n';
  }
}

int RunEval(const std::vector<std::string>& messages, const std::string& folder,
            const std::string& serverRoot, const EvalOptions& options, std::ostream& out,
            std::ostream& err) {
  const auto ruleFile = options.ruleFile.empty() ? DefaultRuleFilePath() : options.ruleFile;
  if (!fs::is_regular_file(ruleFile)) {
    err << "quarvel-explain: no rule file at " << ruleFile << '\n';
    return 1;
  }
  sink::RuleFileReader rules;
  rules.Load(ruleFile);
  std::vector<Evaluation> evaluations;
  int status = 0;

  for (const auto& path : messages) {
    const auto message = ReadFile(path);
    if (!message) {
      err << "quarvel-explain: cannot read " << path << '\n';
      status = 1;
      continue;
    }
    evaluations.push_back(EvaluateMessage(rules, path, *message, options));
  }
  if (!folder.empty()) {
    try {
      exsim::SimulatedServer server(serverRoot);
      const auto path = server.ResolveFolder(folder);
      auto folderOptions = options;
      folderOptions.folderUrl = server.FileUrl(path);
      folderOptions.folderAddress = server.Store().ReadFolder(path).emailAddress;
      for (const auto& item : server.Store().Items(path)) {
        std::vector<std::pair<std::string, std::string>> properties;
        for (const auto& [name, value] : server.Store().ReadProperties(item)) {
          properties.emplace_back(name, value.ToString());
        }
        evaluations.push_back(EvaluateItem(rules, item.ToString(), server.Store().ReadMessage(item),
                                           properties, folderOptions));
      }
    } catch (const platform::PlatformError& error) {
      err << "quarvel-explain: " << error.Description() << '\n';
      return 1;
    }
  }

  for (const auto& evaluation : evaluations) {
    if (options.json) {
      out << ToJson(evaluation).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
          << '\n';
    } else {
      PrintEvaluation(evaluation, options.verbose, out);
    }
  }
  return status;
}

}  // namespace quarvel::explain
