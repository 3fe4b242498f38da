#include "sink/RuleMatching.h"

#include "common/HeaderMatching.h"
#include "common/Text.h"
#include "common/basParser.h"
#include "sink/ItemProperties.h"
#include "sink/RuleLists.h"

namespace quarvel::sink {

namespace {

// The item's transport headers, fetched once and split once for all the
// header rules of one item; an unreadable property reads as empty.
class TransportHeaders {
 public:
  explicit TransportHeaders(StoreAccess& record) : record_(record) {}

  const std::string& Text() {
    if (!text_) {
      try {
        text_ = record_.ReadProperty(std::string(kTransportHeaders));
      } catch (...) {
        text_.emplace();
      }
    }
    return *text_;
  }
  const matching::HeaderLines& Lines() {
    if (!lines_) lines_.emplace(Text());
    return *lines_;
  }

 private:
  StoreAccess& record_;
  std::optional<std::string> text_;
  std::optional<matching::HeaderLines> lines_;
};

// One rule of the state's lists, by reference: copying the three texts of
// every rule into the state's current-rule fields cost more than the tests.
struct RuleTexts {
  const std::string& header;
  const std::string& value;
  const std::string& target;
};

// Tests one rule. `visit`, when given, learns what was tested and why the
// rule matched or not.
bool RuleMatches(StoreAccess& record, const RuleTexts& rule, TransportHeaders& headers,
                 RuleVisit* visit) {
  const auto& header = rule.header;
  const auto& value = rule.value;
  const auto explain = [&](std::string tested, bool matched, std::string why) {
    if (visit != nullptr) {
      visit->tested = std::move(tested);
      visit->matched = matched;
      visit->why = std::move(why);
    }
    return matched;
  };
  const auto test = [&](std::string_view tested) {
    const bool holds = matching::ConditionHolds(tested, value);
    if (visit == nullptr) return holds;
    return explain(std::string(tested), holds,
                   holds            ? "the condition holds"
                   : tested.empty() ? "the value is empty"
                                    : "the condition does not hold");
  };
  if (header.empty() || rule.target.empty()) {
    return explain("", false, header.empty() ? "the rule has no header" : "the rule has no target");
  }
  try {
    if (text::EqualsIgnoreCase(header, "subject")) {
      return test(text::Trim(record.ReadProperty(std::string(kSubject))));
    }
    if (text::EqualsIgnoreCase(header, "IMFSCL")) {
      return test(text::Trim(record.ReadProperty(std::string(kSpamConfidenceLevel))));
    }
    if (headers.Text().empty()) return explain("", false, "the item has no transport headers");
    if (matching::UsesWholeHeaderText(value)) {
      const bool found = matching::WholeHeaderTextMatches(headers.Text(), header, value);
      return explain(headers.Text(), found,
                     found ? "the header text contains it" : "the header text does not contain it");
    }
    if (visit == nullptr) return matching::MatchHeaderLine(headers.Lines(), header, value);
    const auto line = headers.Lines().FirstValue(header);
    if (!line) return explain("", false, "no " + header + " line");
    return test(*line);
  } catch (const std::exception& error) {
    return explain("", false, error.what());
  } catch (...) {
    return explain("", false, "the test failed");
  }
}

}  // namespace

void LoadRules(ModuleState& state, const RuleFileReader& rules) {
  const auto views = rules.Rules();
  FillRuleList(state.TargetList, views, &RuleFileReader::RuleView::target);
  FillRuleList(state.HeaderList, views, &RuleFileReader::RuleView::header);
  FillRuleList(state.ValueList, views, &RuleFileReader::RuleView::value);
  FillRuleList(state.ActionList, views, &RuleFileReader::RuleView::action);
  // At most 32767 rules load, so the index always fits.
  state.LastRuleIndex = static_cast<std::int16_t>(static_cast<int>(state.TargetList.size()) - 1);
  state.PickupPath.assign(rules.PickupPath());
}

std::optional<std::size_t> FindMatchingRule(StoreAccess& record, ModuleState& state,
                                            std::vector<RuleVisit>* visits) {
  static const std::string kNone;
  TransportHeaders headers(record);
  const auto count = static_cast<std::size_t>(state.LastRuleIndex + 1);
  std::optional<std::size_t> matched;
  std::optional<std::size_t> last;  // the last rule visited
  for (std::size_t i = 0; i < count && i < state.TargetList.size(); ++i) {
    last = i;
    const RuleTexts rule{i < state.HeaderList.size() ? state.HeaderList[i] : kNone,
                         i < state.ValueList.size() ? state.ValueList[i] : kNone,
                         state.TargetList[i]};
    RuleVisit* visit = nullptr;
    if (visits != nullptr) {
      // The empty entry after the last rule is no rule a person wrote.
      if (i + 1 == count && rule.header.empty() && rule.target.empty()) break;
      visit = &visits->emplace_back();
      visit->number = static_cast<int>(i + 1);
      visit->header = rule.header;
      visit->pattern = rule.value;
    }
    if (RuleMatches(record, rule, headers, visit)) {
      matched = i;
      break;
    }
  }
  // The state names the last rule visited, as if each had been current in turn.
  if (last) {
    const auto i = *last;
    state.CurrentTarget = state.TargetList[i];
    state.CurrentHeader = i < state.HeaderList.size() ? state.HeaderList[i] : kNone;
    state.CurrentValue = i < state.ValueList.size() ? state.ValueList[i] : kNone;
  }
  return matched;
}

}  // namespace quarvel::sink
