#include "setup/main/CommandLine.h"

namespace quarvel::setup {

bool IsBatchCommandLine(std::string_view commandLine) {
  if (commandLine.size() < 2) return false;
  return (commandLine[0] == '-' || commandLine[0] == '/') &&
         (commandLine[1] == 'b' || commandLine[1] == 'B');
}

}  // namespace quarvel::setup
