// The begin phase of a save: classification, rule matching, delete and marks.
#include <optional>

#include "common/Text.h"
#include "platform/PlatformError.h"
#include "sink/HeaderMatching.h"
#include "sink/ItemProperties.h"
#include "sink/ModuleState.h"
#include "sink/QuarvelModule.h"
#include "sink/RuleFile.h"
#include "sink/basParser.h"

namespace quarvel::sink {

namespace {

// Every step of the begin phase stands alone: a failing step is skipped and
// the next one runs, so one unreadable property never stops the others.
template <class Step>
void Attempt(Step&& step) {
  try {
    step();
  } catch (...) {
  }
}

template <class Step>
auto ValueOr(Step&& step, decltype(step()) fallback) -> decltype(step()) {
  try {
    return step();
  } catch (...) {
    return fallback;
  }
}

// Creates the property, or overwrites it when the store says it exists; any
// other failure leaves it as it was.
void CreateOrOverwrite(StoreAccess& record, std::string_view name, const std::string& value) {
  const std::string property(name);
  try {
    record.AppendProperty(property, value);
  } catch (const platform::PlatformError& error) {
    if (error.Number() != platform::kErrObjectAlreadyInCollection) return;
    Attempt([&] { record.SetProperty(property, value); });
  } catch (...) {
  }
}

// The item's transport headers, fetched once and split once for all the
// header rules of this item.
class TransportHeaders {
 public:
  explicit TransportHeaders(StoreAccess& record) : record_(record) {}

  const std::string& Text() {
    if (!text_) text_ = ValueOr([&] { return record_.ReadProperty(std::string(kTransportHeaders)); },
                                std::string());
    return *text_;
  }
  const HeaderLines& Lines() {
    if (!lines_) lines_.emplace(Text());
    return *lines_;
  }

 private:
  StoreAccess& record_;
  std::optional<std::string> text_;
  std::optional<HeaderLines> lines_;
};

bool RuleMatches(StoreAccess& record, const ModuleState& state, TransportHeaders& headers) {
  const auto& header = state.CurrentHeader;
  const auto& value = state.CurrentValue;
  if (header.empty() || state.CurrentTarget.empty()) return false;
  try {
    if (text::EqualsIgnoreCase(header, "subject")) {
      return ConditionHolds(text::Trim(record.ReadProperty(std::string(kSubject))), value);
    }
    if (text::EqualsIgnoreCase(header, "IMFSCL")) {
      return ConditionHolds(text::Trim(record.ReadProperty(std::string(kSpamConfidenceLevel))),
                            value);
    }
    if (headers.Text().empty()) return false;
    if (UsesWholeHeaderText(value)) return WholeHeaderTextMatches(headers.Text(), header, value);
    return MatchHeaderLine(headers.Lines(), header, value);
  } catch (...) {
    // An unreadable property or an invalid pattern: this rule does not match.
    return false;
  }
}

// The text after "x-Originally delivered to:" up to the line end, trimmed.
std::optional<std::string> ReturningFolder(const std::string& headerText) {
  static constexpr std::string_view kMarker = "x-Originally delivered to:";
  const auto found = text::FindIgnoreCase(headerText, kMarker);
  if (found == std::string::npos) return std::nullopt;
  const auto start = found + kMarker.size();
  auto end = headerText.find_first_of("\r\n", start);
  if (end == std::string::npos) end = headerText.size();
  if (end == start) return std::nullopt;
  return text::Trim(std::string_view(headerText).substr(start, end - start));
}

void MarkForward(StoreAccess& record, const ModuleState& state, TransportHeaders& headers) {
  const auto folderAddress =
      ValueOr([&] { return record.FolderEmailAddress(record.ParentURL()); }, std::string());
  const auto targetAddress = ExtractAddress(state.CurrentTarget);

  if (text::EqualsIgnoreCase(folderAddress, targetAddress)) {
    // The rule forwards to this very folder: the message has come back from
    // the first folder's forward. Record where it first arrived, and stop the
    // loop there.
    if (const auto firstFolder = ReturningFolder(headers.Text())) {
      CreateOrOverwrite(record, kOriginallyDeliveredTo, *firstFolder);
    }
    return;
  }

  Attempt([&] { CreateOrOverwrite(record, kOriginallyDeliveredTo, record.ParentURL()); });
  try {
    record.AppendProperty(std::string(kForwardTo), state.CurrentTarget);
  } catch (const platform::PlatformError& error) {
    if (error.Number() == platform::kErrObjectAlreadyInCollection) {
      Attempt([&] { record.SetProperty(std::string(kForwardTo), targetAddress); });
    }
  } catch (...) {
  }
  Attempt([&] { record.SetProperty(std::string(kHandledMarker), folderAddress); });
}

void MarkMove(StoreAccess& record, const ModuleState& state) {
  Attempt([&] { CreateOrOverwrite(record, kOriginallyDeliveredTo, record.ParentURL()); });
  CreateOrOverwrite(record, kMoveTo, state.CurrentTarget);
  Attempt([&] { record.SetProperty(std::string(kHandledMarker), ""); });
}

// Posted items become ordinary mail; then the item's properties are saved, so
// that everything written here is committed with the item.
void Finish(StoreAccess& record, const std::string& itemClass) {
  if (itemClass == kPostClass) {
    Attempt([&] { record.SetProperty(std::string(kMessageClassWrite), std::string(kNoteClass)); });
  }
  Attempt([&] { record.UpdateFields(); });
}

// Evaluates the rules in file order; the first match decides.
void ApplyRules(StoreAccess& record, ModuleState& state, const std::string& itemClass) {
  TransportHeaders headers(record);
  const auto count = static_cast<std::size_t>(state.RuleCount + 1);
  for (std::size_t i = 0; i < count && i < state.TargetList.size(); ++i) {
    state.CurrentTarget = state.TargetList[i];
    state.CurrentHeader = i < state.HeaderList.size() ? state.HeaderList[i] : std::string();
    state.CurrentValue = i < state.ValueList.size() ? state.ValueList[i] : std::string();
    if (!RuleMatches(record, state, headers)) continue;

    const auto handledBy = ValueOr(
        [&] { return text::Trim(record.ReadProperty(std::string(kHandledMarker))); }, std::string());
    if (handledBy.find('@') != std::string::npos) return;  // forwarded here before

    if (state.CurrentTarget == kDeleteTarget) {
      Attempt([&] { record.DeleteRecord(); });
      return;
    }
    const auto& action = i < state.ActionList.size() ? state.ActionList[i] : std::string();
    if (text::EqualsIgnoreCase(action, kForwardAction)) {
      MarkForward(record, state, headers);
    } else {
      MarkMove(record, state);
    }
    Finish(record, itemClass);
    return;
  }
  Finish(record, itemClass);
}

}  // namespace

void SaveBegin(StoreAccess& record, const std::string&, long lFlags) {
  if (!IsIncomingItem(lFlags)) return;
  const auto itemClass = ValueOr(
      [&] { return text::UpperCase(text::Trim(record.ReadProperty(std::string(kMessageClassRead)))); },
      std::string());
  if (!itemClass.empty() && !IsExcludedClass(itemClass)) {
    ApplyRules(record, ThreadState(), itemClass);
  }
  Attempt([&] { record.Close(); });
}

}  // namespace quarvel::sink
