// The setup program's commands that run without a window, one function each.
// Every command makes the program on the stand-in server (HeadlessProgram),
// runs the same routines a person would through the window, and answers with
// an exit status: 0 done, 1 the run wrote to the error log (every entry also
// went to the error stream), 2 it could not start.
//
// Adding a command: write `int RunX(const CommandContext&, ...)` here on a
// HeadlessProgram, and give it its option in QuarvelSetupMain.cc.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "setup/app/HeadlessWindowServices.h"
#include "setup/app/ServerPlatform.h"
#include "setup/main/SetupProgram.h"

namespace quarvel::setup {

struct CommandContext {
  std::filesystem::path serverRoot;        // the stand-in server's directory
  std::filesystem::path programDirectory;  // where the program (and the rule file) is
  std::filesystem::path workingDirectory;  // where the component file is looked for
  std::string commandLine;                 // the arguments as one text
  std::ostream& out;
  std::ostream& err;
};

// The program on the stand-in server with headless window services; its
// error log goes to the context's error stream as it is written.
class HeadlessProgram {
 public:
  explicit HeadlessProgram(const CommandContext& context);

  [[nodiscard]] SetupProgram& Program() { return program_; }
  // Start-up; false when the program closed during it.
  bool Load();
  // Ends the program as Exit does, unless it is already closed.
  void Exit();
  // 1 when the run wrote to the error log, else 0.
  [[nodiscard]] int ExitStatus() const;

 private:
  ServerPlatform platform_;
  HeadlessWindowServices services_;
  SetupProgram program_;
};

// Batch mode ("-b"): start-up, first activation with its registration pass,
// and exit.
int RunBatch(const CommandContext& context);

// What start-up discovered, one fact a line, for a person: the server, the
// public-folder root, the store identifier, the Windows version name, the
// cluster flag and the global catalog path.
int RunDiscoveryReport(const CommandContext& context);

// The rule list as the window shows it, loaded as the window loads it (which
// restarts the component application, and stores the first pickup directory
// found when the file names none): per rule its number, condition text,
// action, target and target display name, as a table or (`json`) as JSON,
// then the pickup directory.
int RunRuleList(const CommandContext& context, bool json);

// The pickup directory: without `directory`, the stored one and those the
// SMTP virtual servers offer; with it, `directory` is typed into the pickup
// box and stored with the Change button, as a person would. Exits 1 as well
// when the value was refused.
int RunPickupDirectory(const CommandContext& context, const std::optional<std::string>& directory);

// Checks that the server directory exists; otherwise says so on the error
// stream and returns false.
[[nodiscard]] bool CheckServerDirectory(const CommandContext& context);

}  // namespace quarvel::setup
