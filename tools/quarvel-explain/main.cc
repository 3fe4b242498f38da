// quarvel-explain: shows administrators what the sink will do, without a store.
#include <CLI/CLI.hpp>
#include <iostream>

#include "tools/quarvel-explain/ExplainCommands.h"

int main(int argc, char** argv) {
  CLI::App app{"Dry run of Quarvel's rules: which condition matches, and what the sink loads."};
  app.require_subcommand(1);

  std::string pattern, value;
  auto* match = app.add_subcommand(
      "match", "Test one value against one condition pattern, as a rule does.\n"
               "Exit 0: match; 1: no match; 2: invalid pattern.");
  match->add_option("PATTERN", pattern, "condition value of a rule, e.g. \"{>5}\" or \"[SPAM]{*}\"")
      ->required();
  match->add_option("VALUE", value, "header value, subject or spam confidence level")->required();

  std::string ruleFile;
  bool json = false;
  auto* rules = app.add_subcommand("rules", "Show the rules of a rule file as the sink loads them.");
  rules->add_option("FILE", ruleFile, "rule file (default: " +
                                          quarvel::explain::DefaultRuleFilePath() + ")");
  rules->add_flag("--json", json, "print one JSON object");

  CLI11_PARSE(app, argc, argv);

  if (match->parsed()) return quarvel::explain::RunMatch(pattern, value, std::cout, std::cerr);
  return quarvel::explain::RunRules(ruleFile, json, std::cout, std::cerr);
}
