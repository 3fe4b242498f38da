#include "setup/discovery/UrlDecode.h"

#include <gtest/gtest.h>

#include <string>

namespace quarvel::setup {
namespace {

struct Case {
  std::string input;
  std::string decoded;
};

class UrlDecodeTest : public testing::TestWithParam<Case> {};

TEST_P(UrlDecodeTest, Decodes) { EXPECT_EQ(UrlDecode(GetParam().input), GetParam().decoded); }

INSTANTIATE_TEST_SUITE_P(Cases, UrlDecodeTest,
                         testing::Values(Case{"", ""}, Case{"a+b%20c", "a b c"},
                                         Case{"%41%42", "AB"}, Case{"%4a%4A", "JJ"},
                                         // A "%" too near the end stays as it is.
                                         Case{"100%", "100%"}, Case{"x%4", "x%4"}, Case{"%", "%"},
                                         // Two characters that are no hex number spoil everything.
                                         Case{"ok%zzok", ""}, Case{"%4g", ""}, Case{"%+1x", ""},
                                         // The decoded bytes are UTF-8.
                                         Case{"B%C3%BCro", "B\xC3\xBCro"},
                                         Case{"http://MAIL01/Public/Bob%27s%20%22Q%22",
                                              "http://MAIL01/Public/Bob's \"Q\""},
                                         // Control characters and broken UTF-8 are refused.
                                         Case{"a%00b", ""}, Case{"a%0D%0Ab", ""}, Case{"a%7F", ""},
                                         Case{"a\tb", ""}, Case{"B%FCro", ""}, Case{"%C3", ""}));

}  // namespace
}  // namespace quarvel::setup
