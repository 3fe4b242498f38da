#include "tools/quarvel-explain/LintCommand.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <ostream>

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/store/events/Registration.h"
#include "sink/QuarvelCls.h"
#include "tools/quarvel-explain/ExplainCommands.h"

namespace quarvel::explain {

namespace {

namespace store = platform::store;

// The folders whose saved items the sink is called for, as the store decides
// it; nullopt when that is every folder, or cannot be read.
std::optional<std::vector<std::string>> SinkFolders(const store::PublicStore& publicStore) {
  std::vector<std::string> folders;
  try {
    for (const auto& registration : store::AllRegistrations(publicStore)) {
      if (!text::EqualsIgnoreCase(registration.sinkClass, sink::QuarvelCls::kProgId) ||
          !store::WantsSyncSave(registration)) {
        continue;
      }
      const auto& scope = registration.matchScope;
      if (registration.storeWide) {
        if (scope == "ANY") return std::nullopt;
      } else if (scope == "SHALLOW" || scope == "ANY") {
        folders.push_back(registration.item.Parent().ToString());
      }
    }
  } catch (const platform::PlatformError&) {
    return std::nullopt;
  }
  return folders;
}

void PrintText(const std::string& path, std::size_t ruleCount,
               const std::vector<lint::Finding>& findings, std::ostream& out) {
  int errors = 0;
  for (const auto& finding : findings) {
    out << VisibleText(lint::FindingLine(finding)) << '\n';
    if (finding.severity == lint::Severity::kError) ++errors;
  }
  const auto warnings = static_cast<int>(findings.size()) - errors;
  const auto count = [](int n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
  };
  out << VisibleText(path) << ": " << count(static_cast<int>(ruleCount), "rule") << ", "
      << (findings.empty() ? "no findings"
                           : count(errors, "error") + ", " + count(warnings, "warning"))
      << '\n';
}

void PrintJson(const std::string& path, std::size_t ruleCount,
               const std::vector<lint::Finding>& findings, std::ostream& out) {
  auto list = nlohmann::json::array();
  int errors = 0;
  for (const auto& finding : findings) {
    list.push_back({{"rule", finding.rule},
                    {"severity", lint::SeverityName(finding.severity)},
                    {"code", finding.code},
                    {"message", finding.message}});
    if (finding.severity == lint::Severity::kError) ++errors;
  }
  const nlohmann::json document = {{"file", path},
                                   {"rules", ruleCount},
                                   {"errors", errors},
                                   {"warnings", static_cast<int>(findings.size()) - errors},
                                   {"findings", list}};
  // Invalid UTF-8 in the file is shown, not refused: the sink reads it as well.
  out << document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

}  // namespace

lint::ServerFacts SimulatedServerFacts(platform::server::SimulatedServer& server) {
  lint::ServerFacts facts;
  facts.folderUrl = server.FileUrl(store::StorePath{});
  facts.moveDestination = [&server](const std::string& url) {
    try {
      // Asked as the sink names the moved item, so that a destination the
      // store would refuse ("//" in it, a folder outside the tree) is missing.
      const auto folder = store::ParseStoreUrl(url + "/item.eml").Parent();
      if (!server.Store().FolderExists(folder)) return lint::FolderState::kMissing;
      return server.Store().ReadFolder(folder).accessDenied ? lint::FolderState::kAccessDenied
                                                            : lint::FolderState::kExists;
    } catch (const platform::PlatformError& error) {
      return error.Number() == platform::kErrAccessDenied ? lint::FolderState::kAccessDenied
                                                          : lint::FolderState::kMissing;
    }
  };
  facts.folderWithAddress = [&server](const std::string& address) -> std::optional<std::string> {
    try {
      if (const auto folder = server.Store().FindFolderByAddress(address)) {
        return folder->ToString();
      }
    } catch (const platform::PlatformError&) {
    }
    return std::nullopt;
  };
  facts.sinkFolders = SinkFolders(server.Store());
  return facts;
}

int RunLint(const LintOptions& options, std::ostream& out, std::ostream& err) {
  const auto path = options.ruleFile.empty() ? DefaultRuleFilePath() : options.ruleFile;
  // The sink reads a missing file as no rules; lint says it cannot check it.
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error) || !std::ifstream(path, std::ios::binary)) {
    err << "quarvel-explain: cannot read the rule file " << path << '\n';
    return kLintUnusable;
  }
  std::unique_ptr<platform::server::SimulatedServer> server;
  std::optional<lint::ServerFacts> facts;
  if (!options.serverRoot.empty()) {
    try {
      server = std::make_unique<platform::server::SimulatedServer>(options.serverRoot);
      facts = SimulatedServerFacts(*server);
    } catch (const platform::PlatformError& failure) {
      err << "quarvel-explain: " << failure.Description() << '\n';
      return kLintUnusable;
    }
  }
  RuleFileReader file;
  file.Load(path);
  const auto findings = lint::LintRuleFile(file, facts ? &*facts : nullptr);
  if (options.json) {
    PrintJson(path, file.Rules().size(), findings, out);
  } else {
    PrintText(path, file.Rules().size(), findings, out);
  }
  return lint::HasErrors(findings) ? kLintErrors : kLintClean;
}

}  // namespace quarvel::explain
