#include "setup/rules/RuleFindings.h"

#include <string>

#include "common/RuleFileReader.h"
#include "setup/rules/RuleDisplayText.h"

namespace quarvel::setup {

namespace controls = platform::controls;

std::vector<lint::Finding> RuleFileFindings(const std::filesystem::path& ruleFile) {
  RuleFileReader file;
  file.Load(ruleFile.string());
  return lint::LintRuleFile(file);
}

void ShowRuleFindings(controls::ListView& rules, std::span<const lint::Finding> findings) {
  controls::ListItemCollection& rows = rules.ListItems();
  const int count = rows.Count();
  auto next = findings.begin();
  for (int number = 1; number <= count; ++number) {
    controls::ListItem& row = rows(number);
    std::string tip = TipText(row.Text());
    bool error = false;
    bool warning = false;
    // The last row also takes what lies beyond it.
    for (; next != findings.end() && (next->rule <= number || number == count); ++next) {
      tip += "\n" + lint::FindingLine(*next);
      error = error || next->severity == lint::Severity::kError;
      warning = true;
    }
    const controls::Color color = error ? kRuleErrorColor
                                  : warning
                                      ? kRuleWarningColor
                                      : controls::Color::System(controls::SystemColor::kWindowText);
    row.SetToolTipText(std::move(tip));
    row.SetForeColor(color);
    for (controls::ListSubItem& cell : row.ListSubItems()) cell.SetForeColor(color);
  }
}

}  // namespace quarvel::setup
