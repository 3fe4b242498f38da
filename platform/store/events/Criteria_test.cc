#include "platform/store/events/Criteria.h"

#include <gtest/gtest.h>

#include "platform/PlatformError.h"

namespace quarvel::platform::store {
namespace {

struct CriteriaCase {
  const char* criteria;
  PropertyMap item;
  bool holds;
};

class CriteriaTest : public ::testing::TestWithParam<CriteriaCase> {};

TEST_P(CriteriaTest, Holds) {
  EXPECT_EQ(CriteriaHold(GetParam().criteria, GetParam().item), GetParam().holds)
      << GetParam().criteria;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CriteriaTest,
    ::testing::Values(
        CriteriaCase{"", {}, true}, CriteriaCase{" WHERE \"DAV:ishidden\" = FALSE", {}, true},
        CriteriaCase{
            " WHERE \"DAV:ishidden\" = FALSE", {{"DAV:ishidden", ado::Variant(true)}}, false},
        CriteriaCase{
            "where \"DAV:ishidden\" = false", {{"DAV:ishidden", ado::Variant(false)}}, true},
        CriteriaCase{"WHERE \"DAV:ishidden\" = TRUE", {{"DAV:ishidden", ado::Variant("1")}}, true},
        CriteriaCase{
            "WHERE \"urn:schemas:httpmail:subject\" = 'Hello' AND \"DAV:ishidden\" = FALSE",
            {{"urn:schemas:httpmail:subject", ado::Variant("hello")}},
            true},
        CriteriaCase{"WHERE \"http://schemas.microsoft.com/mapi/proptag/0x40760003\" = 7",
                     {{"http://schemas.microsoft.com/mapi/proptag/x40760003", ado::Variant(7)}},
                     true},
        CriteriaCase{"WHERE \"x\" = 'a' AND \"y\" = 'b'", {{"x", ado::Variant("a")}}, false}));

TEST(CriteriaRefusedTest, AnythingElseIsNotHalfUnderstood) {
  for (const char* criteria : {"\"DAV:ishidden\" = FALSE", "WHERE DAV:ishidden = FALSE",
                               "WHERE \"a\" = FALSE OR \"b\" = TRUE", "WHERE \"a\" <> FALSE",
                               "WHERE \"a\" = 'open", "WHERE \"a\" = FALSE garbage", "WHERE"}) {
    EXPECT_THROW((void)CriteriaHold(criteria, {}), PlatformError) << criteria;
  }
}

}  // namespace
}  // namespace quarvel::platform::store
