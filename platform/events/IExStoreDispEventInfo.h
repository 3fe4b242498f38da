// The event information the store hands to a sink with every store event.
//
// It lives only for the duration of the event call; a sink must not keep it.
#pragma once

#include <string_view>

namespace quarvel::platform {

namespace ado {
class Record;
}
class IObjectFactory;

class IExStoreDispEventInfo {
 public:
  static constexpr std::string_view kInterfaceName = "IExStoreDispEventInfo";
  virtual ~IExStoreDispEventInfo() = default;

  // The item of the event as an open record. In the begin phase of a save,
  // changes saved through it become part of the item being saved.
  virtual ado::Record& EventRecord() = 0;

  // Creates platform objects ("CDO.Message", "CDO.Folder") bound to the store
  // that raised the event, as creating them by ProgID does on the server.
  virtual IObjectFactory& Objects() = 0;

  // Vetoes the change. Quarvel never calls it; it is part of the contract.
  virtual void AbortChange(long errorCode) = 0;
};

}  // namespace quarvel::platform
