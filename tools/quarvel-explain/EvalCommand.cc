#include "tools/quarvel-explain/EvalCommand.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/events/EventFlags.h"
#include "platform/server/SimulatedServer.h"
#include "platform/store/MessageProperties.h"
#include "platform/store/StoreUrl.h"
#include "sink/CommitDecision.h"
#include "sink/DryRunStore.h"
#include "sink/ItemProperties.h"
#include "sink/QuarvelModule.h"
#include "tools/quarvel-explain/ExplainCommands.h"

namespace quarvel::explain {

namespace {

namespace fs = std::filesystem;
using sink::BeginAction;
using sink::CommitAction;
using sink::DryRunStore;

// Where an evaluated message is taken to arrive when no folder is named: the
// returning-message test only needs the folder's address.
constexpr const char* kDefaultFolderUrl =
    "file://./backofficestorage/localhost/Public Folders/Evaluated";

constexpr long kDelivered = platform::EVT_IS_DELIVERED | platform::EVT_NEW_ITEM;

std::string Property(const DryRunStore& store, const std::string& item, std::string_view name) {
  return store.Property(item, std::string(name)).value_or("");
}

std::string Trimmed(const DryRunStore& store, const std::string& item, std::string_view name) {
  return text::Trim(Property(store, item, name));
}

// Why a mark the begin phase meant to write is missing: the store refuses a
// value longer than the mark's defined size.
std::string MissingMarkReason(std::string_view mark, std::string_view what,
                              const std::string& value) {
  if (sink::FitsCustomProperty(value)) {
    return "the \"" + std::string(mark) + "\" mark could not be written";
  }
  return std::string(what) + " has " + std::to_string(text::CharCount(value)) +
         " characters, more than the " + std::to_string(sink::kCustomPropertySize) +
         " the store keeps in \"" + std::string(mark) + "\": the store refuses it";
}

// Says what the commit phase does with the marks the begin phase left on the
// in-memory copy, through the commit phase's own decisions.
void DescribeCommit(const DryRunStore& store, const std::string& url, const std::string& folder,
                    BeginAction begun, const std::string& ruleTarget, const EvalOptions& options,
                    Evaluation& evaluation) {
  sink::CommitMarks marks;
  marks.messageClass = text::UpperCase(Trimmed(store, url, sink::kMessageClassRead));
  marks.deliveredTo = Trimmed(store, url, sink::kOriginallyDeliveredTo);
  marks.moveTo = Trimmed(store, url, sink::kMoveTo);
  marks.forwardTo = Trimmed(store, url, sink::kForwardTo);
  const auto decision = sink::DecideCommit(marks, folder);

  const bool intended = begun == BeginAction::kMove || begun == BeginAction::kForward;
  const auto rule = evaluation.rule ? "rule " + std::to_string(*evaluation.rule) : std::string();
  const char* const what = begun == BeginAction::kForward                         ? "forward"
                           : begun == BeginAction::kMove || !marks.moveTo.empty() ? "move"
                                                                                  : "forward";
  const auto stays = [&](std::string why) {
    evaluation.outcome = EvalOutcome::kStays;
    evaluation.whyNot = std::move(why);
    evaluation.explanation = (rule.empty() ? std::string("earlier marks") : rule) + ": a " + what +
                             " is intended, but " + evaluation.whyNot + "; the message stays";
  };
  // Marks from an earlier save are acted on just the same when no rule matches.
  const auto from = intended ? rule : std::string("no rule matches, but the item's earlier marks");

  if (intended && begun == BeginAction::kMove && marks.moveTo.empty()) {
    return stays(MissingMarkReason(sink::kMoveTo, "the move target", ruleTarget));
  }
  if (intended && begun == BeginAction::kForward && marks.forwardTo.empty()) {
    return stays(MissingMarkReason(sink::kForwardTo, "the forward target", ruleTarget));
  }
  if (intended && marks.deliveredTo.empty()) {
    return stays(MissingMarkReason(sink::kOriginallyDeliveredTo, "the folder's URL", folder));
  }
  switch (decision.action) {
    case CommitAction::kMove:
      evaluation.destination = decision.destinationFolder;
      if (options.folderExists && !options.folderExists(decision.destinationFolder)) {
        return stays("the target folder " + decision.destinationFolder + " does not exist");
      }
      evaluation.outcome = EvalOutcome::kMove;
      evaluation.target = marks.moveTo;
      evaluation.explanation = from + ": moved to " + decision.destinationFolder;
      return;
    case CommitAction::kForward: {
      const auto sender = Trimmed(store, url, sink::kFromEmail);
      const auto& pickup = sink::ThreadState().PickupPath;
      if (auto obstacle = sink::ForwardObstacle(marks.forwardTo, sender, pickup);
          !obstacle.empty()) {
        return stays(std::move(obstacle));
      }
      evaluation.outcome = EvalOutcome::kForward;
      evaluation.target = marks.forwardTo;
      evaluation.destination = pickup;
      evaluation.explanation = from + ": forwarded to " + marks.forwardTo + " through " + pickup +
                               " and removed from the folder";
      return;
    }
    case CommitAction::kNothing:
      if (intended || !decision.whyNot.empty()) {
        return stays(decision.whyNot.empty() ? "nothing follows" : decision.whyNot);
      }
      evaluation.outcome = EvalOutcome::kNothing;
      evaluation.explanation = "no rule matches: the message stays";
      return;
  }
}

// Runs the sink's real begin phase on an in-memory copy of the item, with a
// record of every rule when verbose, and reads what it did from the copy.
// `rules` are loaded into this thread's state first; without them, the state
// holds them already (a run over many messages loads them once).
Evaluation Evaluate(const RuleFileReader* rules, const std::string& name, DryRunStore::Item item,
                    const EvalOptions& options) {
  const auto folder =
      options.folderUrl.empty() ? std::string(kDefaultFolderUrl) : options.folderUrl;
  const auto url = folder + "/item.eml";
  // Marks the sink wrote at an earlier save keep the size they were made with.
  for (const auto mark : {sink::kOriginallyDeliveredTo, sink::kMoveTo, sink::kForwardTo}) {
    if (item.properties.contains(std::string(mark))) {
      item.definedSizes.emplace(mark, sink::kCustomPropertySize);
    }
  }
  const auto itemClass = text::UpperCase(text::Trim([&] {
    const auto found = item.properties.find(std::string(sink::kMessageClassRead));
    return found == item.properties.end() ? std::string() : found->second;
  }()));
  DryRunStore store;
  store.AddFolder(folder, options.folderAddress);
  store.PutItem(url, std::move(item));

  auto& state = sink::ThreadState();
  if (rules != nullptr) sink::LoadRules(state, *rules);
  Evaluation evaluation;
  evaluation.message = name;
  sink::BeginReport report;
  if (options.verbose) report.visits = &evaluation.visits;
  sink::SaveBegin(*store.OpenRecord(url), url, platform::EVT_SYNC_BEGIN | kDelivered, &report);
  if (report.rule) evaluation.rule = static_cast<int>(*report.rule + 1);
  const auto rule = evaluation.rule ? "rule " + std::to_string(*evaluation.rule) : std::string();

  if (report.action == BeginAction::kNotMail) {
    evaluation.outcome = EvalOutcome::kSkipped;
    evaluation.explanation = itemClass.empty()
                                 ? "the item has no message class: no rule is looked at"
                                 : "class " + itemClass + " is not mail: no rule is looked at";
    return evaluation;
  }
  if (!store.FindItem(url)) {
    evaluation.outcome = EvalOutcome::kDelete;
    evaluation.explanation = rule + ": the message is deleted";
    return evaluation;
  }
  evaluation.reclassed = Property(store, url, sink::kMessageClassRead) == sink::kNoteClass &&
                         itemClass == sink::kPostClass;
  if (report.action == BeginAction::kHandledBefore) {
    evaluation.outcome = EvalOutcome::kHandled;
    evaluation.explanation =
        rule + " matches, but the message was forwarded here before: it is left alone";
  } else if (report.action == BeginAction::kReturning) {
    evaluation.outcome = EvalOutcome::kReturning;
    evaluation.target = Trimmed(store, url, sink::kOriginallyDeliveredTo);
    evaluation.explanation =
        rule + ": a forward that came back to this folder; it is not forwarded again" +
        (evaluation.target.empty() ? std::string(" (no first folder in its headers)")
                                   : "; its first folder " + evaluation.target + " is recorded");
  } else {
    const auto& target = evaluation.rule ? state.CurrentTarget : std::string();
    DescribeCommit(store, url, folder, report.action, target, options, evaluation);
  }
  if (evaluation.reclassed) evaluation.explanation += "; the post becomes IPM.Note";
  return evaluation;
}

// Where the header block ends in `bytes` (the offset past its terminating
// empty line, or a line holding a lone CR), or npos. `atStart`: the bytes
// start the message, so a blank first line ends it.
std::size_t HeaderEnd(std::string_view bytes, bool atStart) {
  constexpr auto npos = std::string_view::npos;
  if (atStart && bytes.starts_with("\n")) return 1;
  if (atStart && bytes.starts_with("\r\n")) return 2;
  for (auto lf = bytes.find('\n'); lf != npos; lf = bytes.find('\n', lf + 1)) {
    if (lf + 1 < bytes.size() && bytes[lf + 1] == '\n') return lf + 2;
    if (lf + 2 < bytes.size() && bytes[lf + 1] == '\r' && bytes[lf + 2] == '\n') return lf + 3;
  }
  return npos;
}

// Reads a message file up to the end of its header block (or all of it, if
// it has none) into `message`: the rules see the headers only, and bodies
// are most of the bytes. A reused buffer holds the reads. False when the
// file cannot be read.
class HeaderReader {
 public:
  bool Read(const std::string& path, std::string& message) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::size_t used = 0;
    bool ok = true;
    for (;;) {
      if (capacity_ - used < kChunk) Grow(used + kChunk);
      const ssize_t n = ::read(fd, buffer_.get() + used, kChunk);
      if (n < 0) {
        if (errno == EINTR) continue;
        ok = false;
        break;
      }
      if (n == 0) break;
      // A header end may straddle two reads: look again at the last bytes.
      const std::size_t from = used < 2 ? 0 : used - 2;
      used += static_cast<std::size_t>(n);
      const auto end = HeaderEnd(std::string_view(buffer_.get() + from, used - from), from == 0);
      if (end != std::string_view::npos) {
        used = from + end;
        break;
      }
    }
    ::close(fd);
    if (ok) message.assign(buffer_.get(), used);
    return ok;
  }

 private:
  static constexpr std::size_t kChunk = 16384;

  void Grow(std::size_t size) {
    auto bigger = std::make_unique_for_overwrite<char[]>(2 * size);
    if (buffer_) std::memcpy(bigger.get(), buffer_.get(), capacity_);
    buffer_ = std::move(bigger);
    capacity_ = 2 * size;
  }

  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
};

// The message files named: a directory stands for its files, in name order.
std::vector<std::string> Expand(const std::string& path, std::ostream& err, int& status) {
  std::error_code error;
  if (!fs::is_directory(path, error)) return {path};
  std::vector<std::string> files;
  for (const auto& entry : fs::directory_iterator(path, error)) {
    if (entry.is_regular_file(error)) files.push_back(entry.path().string());
  }
  if (error) {
    err << "quarvel-explain: cannot list " << path << ": " << error.message() << '\n';
    status = 1;
  }
  std::sort(files.begin(), files.end());
  return files;
}

// Counts evaluated messages on a terminal, so that a long run shows it lives.
class Progress {
 public:
  explicit Progress(std::ostream& err) : err_(err), shown_(::isatty(STDERR_FILENO) != 0) {}
  ~Progress() {
    if (shown_ && count_ >= kEvery) err_ << "\r\033[K" << std::flush;
  }
  void Step() {
    if (shown_ && ++count_ % kEvery == 0) err_ << "\r" << count_ << " messages" << std::flush;
  }

 private:
  static constexpr int kEvery = 1000;
  std::ostream& err_;
  bool shown_;
  int count_ = 0;
};

}  // namespace

namespace {

DryRunStore::Item StoredItem(const std::string& message,
                             const std::vector<std::pair<std::string, std::string>>& properties) {
  DryRunStore::Item item;
  item.message = message;
  for (const auto& [property, value] : properties) item.properties[property] = value;
  return item;
}

// The item as delivery would store it. The rules never read the body, and
// the commit phase's message stream is not run here: no message text.
DryRunStore::Item DeliveredItem(const std::string& message, const EvalOptions& options) {
  platform::store::DeliveryFacts facts;
  facts.messageClass = options.messageClass;
  facts.spamConfidenceLevel = options.spamConfidenceLevel;
  DryRunStore::Item item;
  for (auto& [property, value] : platform::store::DeriveMessageProperties(message, facts)) {
    item.properties.emplace(property, value.ToString());
  }
  return item;
}

}  // namespace

std::string_view OutcomeText(EvalOutcome outcome) {
  switch (outcome) {
    case EvalOutcome::kDelete:
      return "delete";
    case EvalOutcome::kMove:
      return "move";
    case EvalOutcome::kForward:
      return "forward";
    case EvalOutcome::kReturning:
      return "returning";
    case EvalOutcome::kHandled:
      return "handled";
    case EvalOutcome::kNothing:
      return "nothing";
    case EvalOutcome::kSkipped:
      return "skipped";
    case EvalOutcome::kStays:
      return "stays";
  }
  return "nothing";
}

Evaluation EvaluateItem(const RuleFileReader& rules, const std::string& name,
                        const std::string& message,
                        const std::vector<std::pair<std::string, std::string>>& properties,
                        const EvalOptions& options) {
  return Evaluate(&rules, name, StoredItem(message, properties), options);
}

Evaluation EvaluateMessage(const RuleFileReader& rules, const std::string& name,
                           const std::string& message, const EvalOptions& options) {
  return Evaluate(&rules, name, DeliveredItem(message, options), options);
}

nlohmann::json ToJson(const Evaluation& evaluation, bool verbose) {
  nlohmann::json json = {
      {"message", evaluation.message},
      {"rule", evaluation.rule ? nlohmann::json(*evaluation.rule) : nlohmann::json()},
      {"outcome", OutcomeText(evaluation.outcome)},
      {"target", evaluation.target},
      {"destination", evaluation.destination},
      {"why", evaluation.whyNot},
      {"reclassed", evaluation.reclassed},
      {"explanation", evaluation.explanation}};
  if (verbose) {
    auto visits = nlohmann::json::array();
    for (const auto& visit : evaluation.visits) {
      visits.push_back({{"rule", visit.number},
                        {"header", visit.header},
                        {"value", visit.pattern},
                        {"tested", visit.tested},
                        {"matched", visit.matched},
                        {"why", visit.why}});
    }
    json["visits"] = std::move(visits);
  }
  return json;
}

void PrintEvaluation(const Evaluation& evaluation, bool verbose, std::ostream& out) {
  out << evaluation.message << ": " << evaluation.explanation << '\n';
  if (!verbose) return;
  for (const auto& visit : evaluation.visits) {
    out << "  rule " << visit.number << "  " << visit.header << " \"" << visit.pattern
        << "\": " << (visit.matched ? "MATCH" : "no match") << " (" << visit.why << ")";
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
  RuleFileReader rules;
  rules.Load(ruleFile);
  sink::LoadRules(sink::ThreadState(), rules);
  const auto print = [&](const Evaluation& evaluation) {
    if (options.json) {
      out << ToJson(evaluation, options.verbose)
                 .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)
          << '\n';
    } else {
      PrintEvaluation(evaluation, options.verbose, out);
    }
  };

  std::unique_ptr<platform::server::SimulatedServer> server;
  auto serverOptions = options;
  if (!serverRoot.empty()) {
    try {
      server = std::make_unique<platform::server::SimulatedServer>(serverRoot);
    } catch (const platform::PlatformError& error) {
      err << "quarvel-explain: " << error.Description() << '\n';
      return 1;
    }
    // Asked as the sink names the moved item, so that a destination the store
    // would refuse ("//" in it, a folder outside the tree) does not exist either.
    serverOptions.folderExists = [&server](const std::string& url) {
      try {
        const auto item = platform::store::ParseStoreUrl(url + "/item.eml");
        return server->Store().FolderExists(item.Parent());
      } catch (const platform::PlatformError&) {
        return false;
      }
    };
  }

  int status = 0;
  Progress progress(err);
  HeaderReader reader;
  std::string message;
  for (const auto& named : messages) {
    for (const auto& path : Expand(named, err, status)) {
      if (!reader.Read(path, message)) {
        err << "quarvel-explain: cannot read " << path << '\n';
        status = 1;
        continue;
      }
      print(Evaluate(nullptr, path, DeliveredItem(message, serverOptions), serverOptions));
      progress.Step();
    }
  }
  if (!folder.empty() && server) {
    try {
      const auto path = server->ResolveFolder(folder);
      auto folderOptions = serverOptions;
      folderOptions.folderUrl = server->FileUrl(path);
      folderOptions.folderAddress = server->Store().ReadFolder(path).emailAddress;
      for (const auto& item : server->Store().Items(path)) {
        std::vector<std::pair<std::string, std::string>> properties;
        for (const auto& [name, value] : server->Store().ReadProperties(item)) {
          properties.emplace_back(name, value.ToString());
        }
        print(Evaluate(nullptr, item.ToString(),
                       StoredItem(server->Store().ReadMessage(item), properties), folderOptions));
        progress.Step();
      }
    } catch (const platform::PlatformError& error) {
      err << "quarvel-explain: " << error.Description() << '\n';
      return 1;
    }
  }
  return status;
}

}  // namespace quarvel::explain
