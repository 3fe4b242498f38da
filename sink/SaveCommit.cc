// The commit phase of a save: the move or forward that the begin phase marked.
#include "common/Text.h"
#include "sink/CommitDecision.h"
#include "sink/GUID.h"
#include "sink/ItemProperties.h"
#include "sink/ModuleState.h"
#include "sink/PickupForward.h"
#include "sink/QuarvelModule.h"

namespace quarvel::sink {

namespace {

// A property name as the store interface takes it, made once rather than at
// every call: most names are too long for a string's own small buffer.
template <const std::string_view& kName>
const std::string& Property() {
  static const std::string name(kName);
  return name;
}

// The value without spaces at its ends; most values have none and come back
// as read, without a copy.
std::string ReadTrimmed(StoreAccess& record, const std::string& name) {
  std::string value = record.ReadProperty(name);
  const auto trimmed = text::TrimView(value);
  if (trimmed.size() != value.size()) value = std::string(trimmed);
  return value;
}

void Forward(StoreAccess& record, const std::string& bstrURLItem, const std::string& forwardTo,
             const std::string& parent, const SinkServices& services) {
  const auto sender = ReadTrimmed(record, Property<kFromEmail>());
  const auto& pickupPath = ThreadState().PickupPath;
  if (!ForwardObstacle(forwardTo, sender, pickupPath).empty()) return;

  auto stream = record.OpenMessageStream(bstrURLItem);
  if (!stream) return;
  const auto message = stream->ReadText();
  stream->SetPosition(0);
  stream->WriteText(PickupFileHeader(forwardTo, sender, parent) + message);
  SaveToPickupDirectory(*stream, pickupPath, services);
  stream.reset();
  // Only now is the message safe in the pickup directory.
  record.DeleteRecord();
}

void ActOnMarks(StoreAccess& record, const std::string& bstrURLItem, const SinkServices& services) {
  CommitMarks marks;
  marks.messageClass = text::UpperCase(ReadTrimmed(record, Property<kMessageClassRead>()));
  if (marks.messageClass.empty() || IsExcludedClass(marks.messageClass)) return;

  marks.deliveredTo = ReadTrimmed(record, Property<kOriginallyDeliveredTo>());
  auto& state = ThreadState();
  state.CurrentTarget = ReadTrimmed(record, Property<kMoveTo>());
  marks.moveTo = state.CurrentTarget;
  marks.forwardTo = ReadTrimmed(record, Property<kForwardTo>());
  // Most items carry no marks: they need not even name their folder.
  if (marks.moveTo.empty() && marks.forwardTo.empty()) return;

  const auto parent = record.ParentURL();
  const auto decision = DecideCommit(marks, parent);
  if (decision.action == CommitAction::kNothing) return;

  record.Close();
  record.OpenReadWrite(bstrURLItem);

  if (decision.action == CommitAction::kMove) {
    record.DeleteProperty(Property<kHandledMarker>());
    record.UpdateFields();
    record.MoveRecord(bstrURLItem,
                      decision.destinationFolder + "/" + NewGuidString(services.newGuid) + ".eml");
  } else {
    Forward(record, bstrURLItem, marks.forwardTo, parent, services);
  }
}

}  // namespace

void SaveCommit(StoreAccess& record, const std::string& bstrURLItem, long lFlags,
                const SinkServices& services) {
  if (!IsIncomingItem(lFlags)) return;
  ActOnMarks(record, bstrURLItem, services);
  record.Close();
}

}  // namespace quarvel::sink
