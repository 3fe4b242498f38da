#include "platform/controls/ControlErrors.h"

#include "platform/PlatformError.h"

namespace quarvel::platform::controls {

void ThrowControlError(std::int32_t number) {
  const char* description = "Application-defined or object-defined error";
  switch (number) {
    case kErrInvalidCall:
      description = "Invalid procedure call or argument";
      break;
    case kErrControlAlreadyLoaded:
      description = "Object already loaded";
      break;
    case kErrInvalidPropertyValue:
      description = "Invalid property value";
      break;
    case kErrTextReadOnly:
      description = "'Text' property is read-only";
      break;
    case kErrFormAlreadyDisplayed:
      description = "Form already displayed; can't show modally";
      break;
    case kErrIndexOutOfBounds:
      description = "Index out of bounds";
      break;
    case kErrElementNotFound:
      description = "Element not found";
      break;
    case kErrKeyNotUnique:
      description = "Key is not unique in collection";
      break;
  }
  throw PlatformError(number, description);
}

}  // namespace quarvel::platform::controls
