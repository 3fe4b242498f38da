// For tests of anything that reports failure as a PlatformError.
#pragma once

#include <functional>

#include "platform/PlatformError.h"

namespace quarvel::platform {

// Runs `action` and returns the PlatformError number it threw, or 0.
inline int ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const PlatformError& error) {
    return error.Number();
  }
  return 0;
}

}  // namespace quarvel::platform
