// A temporary directory with one INI file path in it, for the tests of the
// INI reader and writer.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace quarvel::testing {

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "quarvel-ini-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    path_ = (dir_ / "Quarvel.ini").string();
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Put(const std::string& content) const { std::ofstream(path_, std::ios::binary) << content; }
  [[nodiscard]] std::string Get() const {
    std::ifstream in(path_, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  [[nodiscard]] std::vector<std::string> DirNames() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename());
    return names;
  }

  fs::path dir_;
  std::string path_;
};

}  // namespace quarvel::testing
