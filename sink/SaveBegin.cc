// The begin phase of a save: classification, rule matching, delete and marks.
#include <optional>

#include "common/HeaderMatching.h"
#include "common/RuleFileReader.h"
#include "common/Text.h"
#include "platform/PlatformError.h"
#include "sink/ItemProperties.h"
#include "sink/ModuleState.h"
#include "sink/QuarvelModule.h"
#include "sink/RuleMatching.h"

namespace quarvel::sink {

namespace {

// A property name as the store interface takes it, made once rather than at
// every call: most names are too long for a string's own small buffer.
template <const std::string_view& kName>
const std::string& Property() {
  static const std::string name(kName);
  return name;
}

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
void CreateOrOverwrite(StoreAccess& record, const std::string& property, const std::string& value) {
  try {
    record.AppendProperty(property, value);
  } catch (const platform::PlatformError& error) {
    if (error.Number() != platform::kErrObjectAlreadyInCollection) return;
    Attempt([&] { record.SetProperty(property, value); });
  } catch (...) {
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

// Marks the item for a forward; false when it is a returning message instead.
bool MarkForward(StoreAccess& record, const ModuleState& state) {
  const auto folderAddress =
      ValueOr([&] { return record.FolderEmailAddress(record.ParentURL()); }, std::string());
  const auto targetAddress = matching::ExtractAddress(state.CurrentTarget);

  if (text::EqualsIgnoreCase(folderAddress, targetAddress)) {
    // The rule forwards to this very folder: the message has come back from
    // the first folder's forward. Record where it first arrived, and stop the
    // loop there.
    const auto headers =
        ValueOr([&] { return record.ReadProperty(Property<kTransportHeaders>()); }, std::string());
    if (const auto firstFolder = ReturningFolder(headers)) {
      CreateOrOverwrite(record, Property<kOriginallyDeliveredTo>(), *firstFolder);
    }
    return false;
  }

  Attempt(
      [&] { CreateOrOverwrite(record, Property<kOriginallyDeliveredTo>(), record.ParentURL()); });
  try {
    record.AppendProperty(Property<kForwardTo>(), state.CurrentTarget);
  } catch (const platform::PlatformError& error) {
    if (error.Number() == platform::kErrObjectAlreadyInCollection) {
      Attempt([&] { record.SetProperty(Property<kForwardTo>(), targetAddress); });
    }
  } catch (...) {
  }
  Attempt([&] { record.SetProperty(Property<kHandledMarker>(), folderAddress); });
  return true;
}

void MarkMove(StoreAccess& record, const ModuleState& state) {
  Attempt(
      [&] { CreateOrOverwrite(record, Property<kOriginallyDeliveredTo>(), record.ParentURL()); });
  CreateOrOverwrite(record, Property<kMoveTo>(), state.CurrentTarget);
  Attempt([&] { record.SetProperty(Property<kHandledMarker>(), ""); });
}

// Posted items become ordinary mail; then the item's properties are saved, so
// that everything written here is committed with the item.
void Finish(StoreAccess& record, const std::string& itemClass) {
  if (itemClass == kPostClass) {
    Attempt([&] { record.SetProperty(Property<kMessageClassWrite>(), std::string(kNoteClass)); });
  }
  Attempt([&] { record.UpdateFields(); });
}

// The first matching rule decides; without one, only the class rewrite runs.
BeginAction ApplyRules(StoreAccess& record, ModuleState& state, const std::string& itemClass,
                       BeginReport* report) {
  const auto matched = FindMatchingRule(record, state, report ? report->visits : nullptr);
  if (!matched) {
    Finish(record, itemClass);
    return BeginAction::kNoRule;
  }
  if (report != nullptr) report->rule = matched;
  const auto handledBy = ValueOr(
      [&] { return text::Trim(record.ReadProperty(Property<kHandledMarker>())); }, std::string());
  if (handledBy.find('@') != std::string::npos) return BeginAction::kHandledBefore;

  if (state.CurrentTarget == kDeleteTarget) {
    Attempt([&] { record.DeleteRecord(); });
    return BeginAction::kDelete;
  }
  const auto i = *matched;
  const auto& action = i < state.ActionList.size() ? state.ActionList[i] : std::string();
  auto done = BeginAction::kMove;
  if (text::EqualsIgnoreCase(action, kForwardAction)) {
    done = MarkForward(record, state) ? BeginAction::kForward : BeginAction::kReturning;
  } else {
    MarkMove(record, state);
  }
  Finish(record, itemClass);
  return done;
}

}  // namespace

void SaveBegin(StoreAccess& record, const std::string&, long lFlags, BeginReport* report) {
  if (!IsIncomingItem(lFlags)) return;
  const auto itemClass = ValueOr(
      [&] {
        return text::UpperCase(text::TrimView(record.ReadProperty(Property<kMessageClassRead>())));
      },
      std::string());
  if (!itemClass.empty() && !IsExcludedClass(itemClass)) {
    const auto action = ApplyRules(record, ThreadState(), itemClass, report);
    if (report != nullptr) report->action = action;
  }
  Attempt([&] { record.Close(); });
}

}  // namespace quarvel::sink
