// Running exsim as separate processes against one sample server, for the
// tests of several processes at once and of processes killed half-way: a
// server with the real sink installed, message files with a token in each,
// children started (and killed) by fork and exec, and a count of where every
// token ended up.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tools/exsim/ExsimTestSupport.h"

namespace quarvel::exsim::testing {

// A child process running `exsim ARGS...` on the fixture's server, with its
// output in a log file.
class ExsimProcess {
 public:
  ExsimProcess(const fs::path& root, const std::vector<std::string>& args, const fs::path& log) {
    pid_ = ::fork();
    if (pid_ != 0) return;
    ::setenv("EXSIM_ROOT", root.c_str(), 1);
    std::FILE* out = std::freopen(log.c_str(), "a", stdout);
    std::FILE* err = std::freopen(log.c_str(), "a", stderr);
    (void)out;
    (void)err;
    std::vector<char*> argv{const_cast<char*>(EXSIM_PATH)};
    for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    ::execv(EXSIM_PATH, argv.data());
    ::_exit(127);
  }
  ExsimProcess(const ExsimProcess&) = delete;
  ExsimProcess& operator=(const ExsimProcess&) = delete;
  ~ExsimProcess() {
    if (pid_ > 0 && !finished_) {
      ::kill(pid_, SIGKILL);
      (void)Wait();
    }
  }

  void Kill() { ::kill(pid_, SIGKILL); }

  // The exit code, or -signal when a signal ended the process.
  int Wait() {
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    finished_ = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  }

 private:
  pid_t pid_ = -1;
  bool finished_ = false;
};

inline std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The token a test message carries in its Message-ID, or "" for none.
inline std::string TokenOf(const std::string& message) {
  const auto at = message.find("Message-ID: <");
  if (at == std::string::npos) return {};
  const auto start = at + 13;
  const auto end = message.find('@', start);
  return end == std::string::npos ? std::string() : message.substr(start, end - start);
}

inline std::string TestMessage(const std::string& token, const std::string& subject) {
  return "From: Sender <sender@example.net>\r\nTo: inbox@example.com\r\nSubject: " + subject + " " +
         token + "\r\nMessage-ID: <" + token + "@example.net>\r\n\r\nBody of " + token + ".\r\n";
}

// Where the copies of each token are: "Folder/Path" for store items (with
// the item's name), "Drop/<file>" for Drop copies.
struct Copy {
  std::string where;  // folder path, or "Drop"
  std::string name;   // item or file name
};

inline std::map<std::string, std::vector<Copy>> Census(SimulatedServer& server) {
  std::map<std::string, std::vector<Copy>> copies;
  for (const auto& folder : server.Store().AllFolders()) {
    if (server.Store().ReadFolder(folder).accessDenied) continue;
    for (const auto& item : server.Store().Items(folder)) {
      const auto token = TokenOf(server.Store().ReadMessage(item));
      if (!token.empty()) copies[token].push_back({folder.ToString(), item.Name()});
    }
  }
  for (const auto& entry : fs::directory_iterator(server.Root() / "Drop")) {
    const auto token = TokenOf(ReadWhole(entry.path()));
    if (!token.empty()) copies[token].push_back({"Drop", entry.path().filename().string()});
  }
  return copies;
}

// The pickup file a copy came from: items and Drop copies are named after it
// ("<stem>.eml", "<stem>-2.eml", "<stem>.1.eml", "<stem>.1~2.eml").
inline std::string PickupStem(const std::string& name) {
  return name.substr(0, name.find_first_of(".-"));
}

// Files below `root` that nobody should have left: hidden files other than
// the queue's lock, and temporary names.
inline std::vector<std::string> LeftoverFiles(const fs::path& root) {
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const auto name = entry.path().filename().string();
    if (!entry.is_regular_file()) continue;
    if (name == ".lock" && entry.path().parent_path().filename() == "Queue") continue;
    if (name.starts_with(".") || name.find(".tmp") != std::string::npos) {
      found.push_back(fs::relative(entry.path(), root).string());
    }
  }
  return found;
}

}  // namespace quarvel::exsim::testing
