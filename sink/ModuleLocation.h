// Where the sink's own module file lives: the rule file sits beside it. Found
// from the loaded code itself, never from the working directory, which belongs
// to whatever process hosts the sink.
#pragma once

#include <string>

namespace quarvel::sink {

// Absolute directory of the module (shared object or executable) that holds
// the sink's code, without a trailing separator; "" if it cannot be found.
[[nodiscard]] const std::string& ModuleDirectory();

}  // namespace quarvel::sink
