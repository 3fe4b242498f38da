// What the setup program reads from its command line: only whether it runs
// unattended (batch mode). That is so when the command line (the arguments
// after the program's name, as one text) is longer than one character and
// begins with "-b" or "/b" in either case; "-bx" is batch mode too, "b" and
// "-" alone are not.
#pragma once

#include <string_view>

namespace quarvel::setup {

[[nodiscard]] bool IsBatchCommandLine(std::string_view commandLine);

}  // namespace quarvel::setup
