#include "sink/ModuleState.h"

namespace quarvel::sink {

ModuleState& ThreadState() {
  thread_local ModuleState state;
  return state;
}

}  // namespace quarvel::sink
