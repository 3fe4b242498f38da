#include "tools/quarvel-explain/ExplainCommands.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>
#include <vector>

#include "common/RuleFileReader.h"
#include "common/Text.h"
#include "common/basParser.h"
#include "sink/ModuleLocation.h"

namespace quarvel::explain {

namespace {

void PrintTable(const RuleSet& set, std::ostream& out) {
  const std::vector<std::string> headings = {"#", "Header", "Value", "Action", "Target"};
  std::vector<std::vector<std::string>> rows;
  for (std::size_t i = 0; i < set.rules.size(); ++i) {
    const auto& rule = set.rules[i];
    rows.push_back({std::to_string(i + 1), VisibleText(rule.header), VisibleText(rule.value),
                    VisibleText(rule.action), VisibleText(rule.target)});
  }
  std::vector<std::size_t> widths;
  for (std::size_t column = 0; column < headings.size(); ++column) {
    std::size_t width = text::CharCount(headings[column]);
    for (const auto& row : rows) width = std::max(width, text::CharCount(row[column]));
    widths.push_back(width);
  }
  const auto printRow = [&](const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t column = 0; column < cells.size(); ++column) {
      line += cells[column];
      if (column + 1 < cells.size()) {
        line += std::string(widths[column] - text::CharCount(cells[column]) + 2, ' ');
      }
    }
    out << line << '\n';
  };
  if (rows.empty()) {
    out << "No rules.\n";
  } else {
    printRow(headings);
    for (const auto& row : rows) printRow(row);
  }
  out << "Pickup directory: " << (set.pickupPath.empty() ? "(none)" : VisibleText(set.pickupPath))
      << '\n';
}

void PrintJson(const RuleSet& set, std::ostream& out) {
  auto rules = nlohmann::json::array();
  for (std::size_t i = 0; i < set.rules.size(); ++i) {
    const auto& rule = set.rules[i];
    rules.push_back({{"number", i + 1},
                     {"header", rule.header},
                     {"value", rule.value},
                     {"action", rule.action},
                     {"target", rule.target}});
  }
  const nlohmann::json document = {{"rules", rules}, {"pickup", set.pickupPath}};
  // Invalid UTF-8 in the file is shown, not refused: the sink reads it as well.
  out << document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

}  // namespace

std::string VisibleText(const std::string& text) {
  std::string shown;
  for (const char c : text) {
    switch (c) {
      case '\t':
        shown += "\\t";
        break;
      case '\r':
        shown += "\\r";
        break;
      case '\n':
        shown += "\\n";
        break;
      case '\\':
        shown += "\\\\";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(c));
          shown += escaped;
        } else {
          shown += c;
        }
    }
  }
  return shown;
}

int RunMatch(const std::string& pattern, const std::string& value, std::ostream& out,
             std::ostream& err) {
  try {
    const bool holds = matching::ConditionHolds(value, pattern);
    out << (holds ? "match" : "no match") << '\n';
    return holds ? kMatch : kNoMatch;
  } catch (const matching::PatternError& error) {
    err << "quarvel-explain: " << error.what() << '\n'
        << "The sink treats this condition as not met.\n";
    return kInvalidPattern;
  }
}

std::string DefaultRuleFilePath() {
  return sink::ModuleDirectory() + "/" + std::string(kRuleFileName);
}

int RunRules(const std::string& ruleFilePath, bool json, std::ostream& out, std::ostream& err) {
  const auto path = ruleFilePath.empty() ? DefaultRuleFilePath() : ruleFilePath;
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) {
    err << "quarvel-explain: no rule file at " << path
        << " (the sink would load no rules and no pickup directory)\n";
    return 1;
  }
  const auto set = ReadRuleFile(path);
  if (json) {
    PrintJson(set, out);
  } else {
    out << "Rule file: " << path << '\n';
    PrintTable(set, out);
  }
  return 0;
}

}  // namespace quarvel::explain
