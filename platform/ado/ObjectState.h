// Whether a data-layer object (connection, record set) is open.
#pragma once

namespace quarvel::platform::ado {

enum ObjectState : int {
  adStateClosed = 0,
  adStateOpen = 1,
};

}  // namespace quarvel::platform::ado
