#include "platform/host/XdgOpen.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/Text.h"
#include "platform/PlatformError.h"

namespace quarvel::platform::host {
namespace {

// The first executable xdg-open on PATH, or "" when there is none.
std::string FindXdgOpen() {
  const char* path = std::getenv("PATH");
  const std::string_view directories = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= directories.size()) {
    std::size_t end = directories.find(':', start);
    if (end == std::string_view::npos) end = directories.size();
    // An empty entry means the current directory, as for the shell.
    const std::string candidate =
        end == start ? std::string("./xdg-open")
                     : std::string(directories.substr(start, end - start)) + "/xdg-open";
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return {};
}

}  // namespace

bool IsOpenableWebAddress(std::string_view url) {
  std::size_t scheme = 0;
  if (text::StartsWithIgnoreCase(url, "http://")) scheme = 7;
  if (text::StartsWithIgnoreCase(url, "https://")) scheme = 8;
  if (scheme == 0 || url.size() == scheme) return false;
  for (const char c : url) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return false;
  }
  return true;
}

void OpenWithXdgOpen(const std::string& url) {
  if (!IsOpenableWebAddress(url)) {
    throw PlatformError(kErrInvalidArgument,
                        "not a web address to open (http or https, without blanks): " + url);
  }
  const std::string program = FindXdgOpen();
  if (program.empty()) {
    throw PlatformError(kErrNotFound,
                        "cannot open web addresses: xdg-open is not installed (package "
                        "xdg-utils); open " +
                            url + " yourself");
  }
  // Everything the child needs is made before fork: between fork and exec only
  // async-signal-safe calls may run, since other threads may hold locks.
  std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>(url.c_str()),
                             nullptr};
  const pid_t child = ::fork();
  if (child < 0) {
    throw PlatformError(kErrFail, std::string("cannot start xdg-open: ") + std::strerror(errno));
  }
  if (child == 0) {
    // The grandchild runs xdg-open; the child leaves at once, so the browser
    // belongs to init and is never a zombie of ours.
    const pid_t grandchild = ::fork();
    if (grandchild == 0) {
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::_exit(grandchild < 0 ? 1 : 0);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw PlatformError(kErrFail, "cannot start xdg-open: no process could be made for it");
  }
}

}  // namespace quarvel::platform::host
