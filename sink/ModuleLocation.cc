#include "sink/ModuleLocation.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace quarvel::sink {

namespace {

std::string FindModuleDirectory() {
  namespace fs = std::filesystem;
  std::error_code error;
  Dl_info info{};
  fs::path module;
  if (dladdr(reinterpret_cast<void*>(&FindModuleDirectory), &info) != 0 &&
      info.dli_fname != nullptr) {
    module = info.dli_fname;
  }
  // The main program may be reported by the name it was started with, which
  // is relative to a working directory that may have changed since.
  if (module.empty() || module.is_relative()) {
    module = fs::read_symlink("/proc/self/exe", error);
    if (error) return {};
  }
  const auto canonical = fs::weakly_canonical(module, error);
  return (error ? module : canonical).parent_path().string();
}

}  // namespace

const std::string& ModuleDirectory() {
  // The module cannot move while its code runs, so one lookup serves all threads.
  static const std::string directory = FindModuleDirectory();
  return directory;
}

}  // namespace quarvel::sink
