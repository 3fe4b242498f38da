// quarvel-explain: shows administrators what the sink will do, without a store.
#include <CLI/CLI.hpp>
#include <iostream>

#include "platform/server/SimulatedServer.h"
#include "tools/quarvel-explain/EvalCommand.h"
#include "tools/quarvel-explain/ExplainCommands.h"
#include "tools/quarvel-explain/LintCommand.h"

int main(int argc, char** argv) {
  CLI::App app{"Dry run of Quarvel's rules: which condition matches, and what the sink loads."};
  app.require_subcommand(1);

  std::string pattern, value;
  auto* match = app.add_subcommand("match",
                                   "Test one value against one condition pattern, as a rule does.\n"
                                   "Exit 0: match; 1: no match; 2: invalid pattern.");
  match->add_option("PATTERN", pattern, "condition value of a rule, e.g. \"{>5}\" or \"[SPAM]{*}\"")
      ->required();
  match->add_option("VALUE", value, "header value, subject or spam confidence level")->required();

  std::string ruleFile;
  bool json = false;
  auto* rules =
      app.add_subcommand("rules", "Show the rules of a rule file as the sink loads them.");
  rules->add_option("FILE", ruleFile,
                    "rule file (default: " + quarvel::explain::DefaultRuleFilePath() + ")");
  rules->add_flag("--json", json, "print one JSON object");

  quarvel::explain::EvalOptions eval;
  std::vector<std::string> messages;
  std::string folder;
  std::string root = quarvel::platform::server::SimulatedServer::DefaultRoot().string();
  int scl = 0;
  auto* evalCommand = app.add_subcommand(
      "eval", "Show what the sink would do with messages: which rule fires, and what follows.");
  evalCommand->add_option("MESSAGE", messages,
                          "message files, or directories of them (evaluated in name order)");
  evalCommand->add_option("--rules", eval.ruleFile, "rule file (default: the one beside the sink)");
  auto* sclOption = evalCommand->add_option("--scl", scl, "spam confidence level of the messages")
                        ->check(CLI::Range(-1, 9));
  evalCommand->add_option("--class", eval.messageClass, "message class (default IPM.Note)");
  evalCommand->add_option("--folder-address", eval.folderAddress,
                          "e-mail address of the folder the messages arrive in");
  evalCommand->add_option("--folder", folder,
                          "evaluate every item of this folder of the simulated server instead");
  auto* rootOption = evalCommand->add_option(
      "--root", root,
      "simulated server directory (default: $EXSIM_ROOT); moves are checked against its folders");
  evalCommand->add_flag("--verbose", eval.verbose, "show every rule visited and why");
  evalCommand->add_flag("--json", eval.json,
                        "print one JSON object per message (with --verbose: and its rule visits)");

  quarvel::explain::LintOptions lintOptions;
  auto* lint = app.add_subcommand(
      "lint",
      "Find what is wrong with a rule file: rules that never match, are never reached or "
      "cannot act.\n"
      "Exit 0: no errors (there may be warnings); 1: errors; 2: the file or server cannot be "
      "read, or the command line is wrong.");
  lint->add_option("FILE", lintOptions.ruleFile,
                   "rule file (default: " + quarvel::explain::DefaultRuleFilePath() + ")");
  lint->add_flag("--json", lintOptions.json, "print one JSON object");
  lint->add_option("--root", lintOptions.serverRoot,
                   "simulated server directory: check move targets against its folders, and "
                   "forwards against its folders' addresses and the sink's registrations");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    const int status = app.exit(error);
    // lint's scripts tell "errors found" (1) from "could not check" (2).
    return status != 0 && lint->parsed() > 0 ? quarvel::explain::kLintUnusable : status;
  }

  if (lint->parsed()) return quarvel::explain::RunLint(lintOptions, std::cout, std::cerr);

  if (evalCommand->parsed()) {
    if (messages.empty() && folder.empty()) {
      std::cerr << "quarvel-explain: eval needs MESSAGE files or --folder\n";
      return 2;
    }
    if (sclOption->count() > 0) eval.spamConfidenceLevel = scl;
    // Message files alone need no server; a named one shows whether targets exist.
    const bool useServer = !folder.empty() || rootOption->count() > 0;
    return quarvel::explain::RunEval(messages, folder, useServer ? root : std::string(), eval,
                                     std::cout, std::cerr);
  }

  if (match->parsed()) return quarvel::explain::RunMatch(pattern, value, std::cout, std::cerr);
  return quarvel::explain::RunRules(ruleFile, json, std::cout, std::cerr);
}
