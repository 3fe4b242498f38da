// A fixture for tests that run QuarvelSetup (and exsim) as an administrator's
// script does: a temporary directory holding a fresh sample server, the
// sink's Quarvel.so, and the test's own copy of the program in bin/ (the
// program writes its rule file beside itself, so each test has its own).
// Programs run in the temporary directory with EXSIM_ROOT naming the server.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "platform/directory/DirectoryFile.h"
#include "platform/directory/SampleDirectory.h"
#include "platform/host/HostFacts.h"
#include "platform/server/SampleServer.h"

namespace quarvel::setup::testing {

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

class SetupProcessTest : public ::testing::Test {
 protected:
  SetupProcessTest() {
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "quarvel_setup.XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    directory_ = pattern;
    server_ = directory_ / "server";
    platform::server::CreateSampleServer(server_, false);
    platform::host::WriteSampleHostFile(server_);
    platform::directory::WriteSampleDirectory(server_ / platform::directory::kDirectoryFileName,
                                              platform::server::kSampleComputerName,
                                              "Administrator");
    // The program runs where the component file is.
    fs::copy_file(QUARVEL_MODULE_PATH, directory_ / "Quarvel.so");
    fs::create_directories(directory_ / "bin");
    fs::copy_file(QUARVEL_SETUP_PATH, Program());
  }
  ~SetupProcessTest() override {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }

  [[nodiscard]] std::filesystem::path Program() const {
    return directory_ / "bin" / "QuarvelSetup";
  }

  // Runs the test's QuarvelSetup (or `program`) with `arguments` (shell
  // words), the server given by EXSIM_ROOT, in the temporary directory, with
  // `input` on standard input.
  RunResult RunSetup(const std::string& arguments, const std::string& environment = "",
                     const std::string& input = "", const std::string& program = "") {
    const std::filesystem::path out = directory_ / "out.txt";
    const std::filesystem::path err = directory_ / "err.txt";
    const std::filesystem::path in = directory_ / "in.txt";
    std::ofstream(in) << input;
    const std::string command = "cd '" + directory_.string() + "' && env -u COMPUTERNAME " +
                                "EXSIM_ROOT='" + server_.string() + "' " + environment + " '" +
                                (program.empty() ? Program().string() : program) + "' " +
                                arguments + " <'" + in.string() + "' >'" + out.string() + "' 2>'" +
                                err.string() + "'";
    RunResult run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.out = Read(out);
    run.err = Read(err);
    return run;
  }

  static std::string Read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::filesystem::path directory_;
  std::filesystem::path server_;
};

}  // namespace quarvel::setup::testing
