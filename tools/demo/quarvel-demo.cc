// quarvel-demo: delivers the sample mail into a simulated server on which the
// sink is installed and registered, runs the SMTP service once so that
// forwards leave (or come back), and prints one row per message: the folder
// it arrived in, the rule that fired, and where it ended.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "common/HeaderMatching.h"
#include "common/Text.h"
#include "platform/PlatformError.h"
#include "platform/server/SimulatedServer.h"
#include "tools/exsim/Delivery.h"
#include "tools/exsim/MailManifest.h"
#include "tools/exsim/SmtpCommand.h"
#include "tools/quarvel-explain/EvalCommand.h"

namespace {

namespace fs = std::filesystem;
using namespace quarvel;

struct Row {
  exsim::ManifestEntry entry;
  std::string rule, ended;
  std::string forwardTo;  // address, for forwards
};

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::string RuleText(const explain::Evaluation& evaluation) {
  if (!evaluation.rule)
    return evaluation.outcome == explain::EvalOutcome::kSkipped ? "- (not mail)" : "-";
  const auto& visit = evaluation.visits.at(*evaluation.rule - 1);
  return std::to_string(*evaluation.rule) + ": " + visit.header + " \"" + visit.pattern + "\"";
}

// The folder part of a store URL, as a person reads it.
std::string FolderOf(const std::string& url) {
  const auto root = url.find("/Public/");
  auto path = root == std::string::npos ? url : url.substr(root + 8);
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(0, slash);
}

std::string Ended(const std::string& outcome, platform::server::SimulatedServer& server) {
  if (outcome.starts_with("moved to ")) {
    return "moved to " +
           FolderOf(server.HttpUrl(platform::store::ParseStoreUrl(outcome.substr(9))));
  }
  if (outcome.starts_with("removed after forward")) return "forwarded";
  if (outcome == "stayed") return "stayed";
  return outcome;
}

void PrintTable(const std::vector<Row>& rows) {
  const std::vector<std::string> headings = {"Message", "Arrived in", "Rule fired", "Ended"};
  std::vector<std::size_t> widths;
  for (const auto& heading : headings) widths.push_back(text::CharCount(heading));
  for (const auto& row : rows) {
    widths[0] = std::max(widths[0], text::CharCount(row.entry.file));
    widths[1] = std::max(widths[1], text::CharCount(row.entry.folder));
    widths[2] = std::max(widths[2], text::CharCount(row.rule));
  }
  const auto cell = [&](const std::string& text, std::size_t width) {
    return text + std::string(width - std::min(width, text::CharCount(text)) + 2, ' ');
  };
  std::cout << cell(headings[0], widths[0]) << cell(headings[1], widths[1])
            << cell(headings[2], widths[2]) << headings[3] << '\n';
  for (const auto& row : rows) {
    std::cout << cell(row.entry.file, widths[0]) << cell(row.entry.folder, widths[1])
              << cell(row.rule, widths[2]) << row.ended << '\n';
  }
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Deliver the sample mail through the sink on a simulated server and report."};
  std::string root = platform::server::SimulatedServer::DefaultRoot().string();
  std::string mail = "testdata/mail";
  app.add_option("--root", root, "simulated server directory (default: $EXSIM_ROOT)");
  app.add_option("--mail", mail, "directory of sample mail with its MANIFEST.tsv")
      ->check(CLI::ExistingDirectory);
  CLI11_PARSE(app, argc, argv);

  try {
    platform::server::SimulatedServer server(root);
    std::vector<Row> rows;
    for (auto& entry : exsim::ReadMailManifest(mail))
      rows.push_back({std::move(entry), {}, {}, {}});
    // The rule file the installed sink reads: beside its module file.
    server.Catalog().Load();
    const auto [application, component] = server.Catalog().FindComponent("Quarvel.QuarvelCls");
    if (component == nullptr)
      throw std::runtime_error("the sink is not installed (exsim complus install)");
    RuleFileReader rules;
    rules.Load((component->moduleFile.parent_path() / "Quarvel.ini").string());

    for (auto& row : rows) {
      const auto& entry = row.entry;
      const auto message = ReadAll(fs::path(mail) / entry.file);
      const auto folder = server.ResolveFolder(entry.folder);
      explain::EvalOptions options;
      options.messageClass = entry.messageClass;
      options.spamConfidenceLevel = entry.spamConfidenceLevel;
      options.folderUrl = server.FileUrl(folder);
      options.folderAddress = server.Store().ReadFolder(folder).emailAddress;
      options.verbose = true;  // the table names the rule's condition
      const auto evaluation = explain::EvaluateMessage(rules, entry.file, message, options);
      row.rule = RuleText(evaluation);
      if (evaluation.outcome == explain::EvalOutcome::kForward)
        row.forwardTo = matching::ExtractAddress(evaluation.target);

      exsim::DeliveryOptions delivery;
      delivery.messageClass = entry.messageClass;
      delivery.spamConfidenceLevel = options.spamConfidenceLevel;
      const auto result = exsim::DeliverMessage(server, folder, entry.file, message, delivery);
      row.ended = Ended(result.entry.outcome, server);
      if (evaluation.reclassed && row.ended == "stayed") row.ended = "stayed, re-classed IPM.Note";
    }

    std::cout << "\nSMTP service, one pass over the pickup directory:\n";
    exsim::RunSmtp(server, false, 0, std::cout, std::cerr);

    // A forward to a public folder's own address comes back into that folder.
    for (auto& row : rows) {
      if (row.forwardTo.empty()) continue;
      if (const auto folder = server.Store().FindFolderByAddress(row.forwardTo)) {
        row.ended = "forwarded, came back into " + server.Store().ReadFolder(*folder).displayName +
                    " and stayed there";
      } else {
        row.ended = "forwarded to " + row.forwardTo + " (in Drop)";
      }
    }

    std::cout << '\n';
    PrintTable(rows);
    std::map<std::string, int> totals;
    for (const auto& row : rows) {
      const auto kind = row.ended.substr(0, row.ended.find_first_of(" ,"));
      ++totals[kind];
    }
    std::cout << "\nTotals: " << rows.size() << " messages";
    for (const auto& [kind, count] : totals) std::cout << ", " << count << " " << kind;
    std::cout << ".\nJournal: exsim log (the store database " << server.Root().string()
              << "/store.db)\n";
    return 0;
  } catch (const platform::PlatformError& error) {
    std::cerr << "quarvel-demo: " << error.Description() << '\n';
  } catch (const std::exception& error) {
    std::cerr << "quarvel-demo: " << error.what() << '\n';
  }
  return 1;
}
