// sample-host-files: writes the sample server's host facts (host.ini) and
// directory (directory.ldif) into a server directory that `exsim init`
// created, so that the setup program finds its host and its directory there.
// A stop-gap for the demo until `exsim init` writes both itself.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <string>

#include "platform/PlatformError.h"
#include "platform/directory/DirectoryFile.h"
#include "platform/directory/SampleDirectory.h"
#include "platform/host/HostFacts.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  using namespace quarvel::platform;
  CLI::App app{"Writes host.ini and directory.ldif of the sample server into SERVER_DIR."};
  std::string root;
  app.add_option("SERVER_DIR", root, "the server directory (as exsim init made it)")->required();
  CLI11_PARSE(app, argc, argv);
  try {
    if (!fs::is_directory(root)) throw PlatformError(kErrNotFound, "no directory " + root);
    host::WriteSampleHostFile(root);
    const auto facts = host::SampleHostFacts();
    directory::WriteSampleDirectory(fs::path(root) / directory::kDirectoryFileName,
                                    facts.computerName, facts.userName.value_or("Administrator"));
  } catch (const PlatformError& error) {
    std::cerr << "sample-host-files: " << error.Description() << '\n';
    return 1;
  }
  return 0;
}
