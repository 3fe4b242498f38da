// What the tests' component module offers besides object construction (its
// objects report what the host did to them), and scratch files for the tests.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/com/IUnknown.h"

namespace quarvel::platform::complus::test_support {

class ITestComponent {
 public:
  static constexpr std::string_view kInterfaceName = "ITestComponent";
  virtual ~ITestComponent() = default;
  virtual std::string ProgId() const = 0;
  virtual int ConstructCalls() const = 0;
  // What the last Construct received.
  virtual std::string ConstructorString() const = 0;
};

// A constructor string that makes Construct fail.
inline constexpr std::string_view kFailingConstructorString = "fail";

// A fresh directory under the system's temporary directory, removed with
// everything in it at destruction.
class TempDirectory {
 public:
  TempDirectory() {
    std::string name = (std::filesystem::temp_directory_path() / "complus_test_XXXXXX").string();
    if (mkdtemp(name.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = name;
  }
  ~TempDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  [[nodiscard]] const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string ReadWholeFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteWholeFile(const std::filesystem::path& file, std::string_view content) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << content;
}

}  // namespace quarvel::platform::complus::test_support
