// `quarvel-explain lint`: what is wrong with a rule file before the sink meets
// it. Prints lint::LintRuleFile's findings, one line each or as one JSON object;
// with a simulated server, move targets are looked up among its folders and
// forward targets among its folders' addresses and the sink's registrations.
// Changes nothing anywhere. Single-threaded.
#pragma once

#include <iosfwd>
#include <string>

#include "common/RuleLint.h"
#include "platform/server/SimulatedServer.h"

namespace quarvel::explain {

// Exit codes of `lint`.
inline constexpr int kLintClean = 0;     // no errors; there may be warnings
inline constexpr int kLintErrors = 1;    // at least one error
inline constexpr int kLintUnusable = 2;  // no readable rule file or server, or a bad command line

struct LintOptions {
  std::string ruleFile;  // "" = the rule file beside the sink module
  bool json = false;
  std::string serverRoot;  // "" = no server: targets are not looked up
};

int RunLint(const LintOptions& options, std::ostream& out, std::ostream& err);

// What the simulated server knows about rule targets. The facts refer to
// `server`, which must outlive them. Store failures read as "not known" or
// as a missing folder, never as an error.
[[nodiscard]] lint::ServerFacts SimulatedServerFacts(platform::server::SimulatedServer& server);

}  // namespace quarvel::explain
