#include "setup/discovery/modGetWindowsVersion.h"

#include <gtest/gtest.h>

namespace quarvel::setup {
namespace {

TEST(WindowsVersionNameTest, MapsPlatformAndVersion) {
  struct Case {
    int platform, major, minor;
    const char* name;
  };
  const Case cases[] = {
      {1, 4, 0, "Windows 95"},
      {1, 4, 10, "Windows 98"},
      {1, 4, 90, "Windows Millennium"},
      {1, 4, 3, ""},
      {2, 3, 51, "Windows NT 3.51"},
      {2, 4, 0, "Windows NT 4.0"},
      {2, 5, 0, "Windows 2000"},
      {2, 5, 1, "Windows XP"},
      {2, 5, 2, "Windows XP"},
      {2, 6, 0, ""},
      {2, 10, 0, ""},
      {0, 5, 0, "Failed"},
      {3, 5, 0, "Failed"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WindowsVersionName(c.platform, c.major, c.minor), c.name)
        << c.platform << " " << c.major << "." << c.minor;
  }
}

}  // namespace
}  // namespace quarvel::setup
