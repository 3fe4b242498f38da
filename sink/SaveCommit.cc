// The commit phase of a save: the move or forward that the begin phase marked.
#include "common/Text.h"
#include "sink/GUID.h"
#include "sink/ItemProperties.h"
#include "sink/ModuleState.h"
#include "sink/PickupFile.h"
#include "sink/QuarvelModule.h"

namespace quarvel::sink {

namespace {

constexpr std::string_view kStoreRoot = "/Public Folders/";
constexpr std::string_view kListedRoot = "/Public/";

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

// Maps a folder URL as the setup program lists it (root URL, "/Public/",
// folder path) onto the store URL of the same folder in the tree that holds
// the item. A target without "/Public/" is used as it stands.
std::string MoveDestinationFolder(const std::string& moveTo, const std::string& parent,
                                  std::size_t storeRootEnd) {
  const auto listed = moveTo.find(kListedRoot);
  if (listed == std::string::npos) return moveTo;
  return parent.substr(0, storeRootEnd) + moveTo.substr(listed + kListedRoot.size());
}

bool HasLineBreak(const std::string& value) {
  return value.find_first_of("\r\n") != std::string::npos;
}

void Forward(StoreAccess& record, const std::string& bstrURLItem, const std::string& forwardTo,
             const std::string& parent, const SinkServices& services) {
  const auto sender = ReadTrimmed(record, Property<kFromEmail>());
  if (sender.empty()) return;
  // A line break would inject envelope lines: recipients the rule never named.
  if (HasLineBreak(sender) || HasLineBreak(forwardTo)) return;
  const auto& pickupPath = ThreadState().PickupPath;
  if (pickupPath.empty()) return;

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
  const auto itemClass = text::UpperCase(ReadTrimmed(record, Property<kMessageClassRead>()));
  if (itemClass.empty() || IsExcludedClass(itemClass)) return;

  const auto deliveredTo = ReadTrimmed(record, Property<kOriginallyDeliveredTo>());
  auto& state = ThreadState();
  state.CurrentTarget = ReadTrimmed(record, Property<kMoveTo>());
  const auto forwardTo = ReadTrimmed(record, Property<kForwardTo>());
  if (deliveredTo.empty() || (state.CurrentTarget.empty() && forwardTo.empty())) return;

  const auto parent = record.ParentURL();
  const auto storeRoot = parent.rfind(kStoreRoot);
  if (storeRoot == std::string::npos) return;
  const auto destination =
      state.CurrentTarget.empty()
          ? std::string()
          : MoveDestinationFolder(state.CurrentTarget, parent, storeRoot + kStoreRoot.size());

  record.Close();
  record.OpenReadWrite(bstrURLItem);

  if (!destination.empty()) {
    record.DeleteProperty(Property<kHandledMarker>());
    record.UpdateFields();
    record.MoveRecord(bstrURLItem, destination + "/" + NewGuidString(services.newGuid) + ".eml");
  } else {
    Forward(record, bstrURLItem, forwardTo, parent, services);
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
