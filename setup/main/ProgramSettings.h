// What the setup program is told when it starts: its command line and the
// two directories it works in.
#pragma once

#include <filesystem>
#include <string>

namespace quarvel::setup {

struct ProgramSettings {
  // The arguments after the program's name, joined by blanks (CommandLine.h).
  std::string commandLine;
  // Where the program is: its rule file Quarvel.ini lives there, beside the sink.
  std::filesystem::path programDirectory;
  // The current directory: the component file is looked for there.
  std::filesystem::path workingDirectory;
};

}  // namespace quarvel::setup
