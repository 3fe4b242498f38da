// How the setup program shows a rule. The rule file stores a condition as a
// header name and a pattern ("IMFSCL" / "{>3}"); the rules list shows it as
// one line of text ("SCL value is greater than 3"), and the rule editor splits
// that line into its own fields. These conversions turn each form into the
// others; they are pure functions of their arguments and need no window.
//
// Positions count characters; trimming removes spaces only. The "IMFSCL" test
// and every replacement respect letter case; only the "SCL value is" prefix
// is recognised ignoring case.
#pragma once

#include <string>
#include <string_view>

namespace quarvel::setup {

// One row of the rules list, in column order.
struct RuleRow {
  std::string condition;    // "Condition": the condition text
  std::string action;       // "Action": "move to", "forward to" or "delete", as stored
  std::string target;       // "Target URL or E-mail Address", "<NULL>" for a delete
  std::string displayName;  // "Target Display Name", as stored
};

// A condition as the rule file stores it.
struct StoredCondition {
  std::string header;
  std::string value;
};

// A condition as the rule editor's fields hold it. For a header condition,
// first is the header name with its colon and second the value pattern; for an
// SCL condition, first is the relation and second the number.
struct EditorFields {
  enum class Kind { kHeader, kScl };
  Kind kind = Kind::kHeader;
  std::string first;
  std::string second;
};

inline constexpr std::string_view kSclHeader = "IMFSCL";
inline constexpr std::string_view kSclPrefix = "SCL value is";

// Stored pair to the list's text (loading).
[[nodiscard]] std::string ConditionToText(std::string_view header, std::string_view value);
// The list's text back to the stored pair (saving).
[[nodiscard]] StoredCondition TextToCondition(std::string_view text);
// The list's text to the editor's fields (editing).
[[nodiscard]] EditorFields TextToEditorFields(std::string_view text);
// The editor's fields to the list's text (the editor's OK).
[[nodiscard]] std::string EditorFieldsToText(const EditorFields& fields);
// A tooltip: the text itself, or its first 75 characters and " ..." when it
// has 76 characters or more.
[[nodiscard]] std::string TipText(std::string_view text);

}  // namespace quarvel::setup
