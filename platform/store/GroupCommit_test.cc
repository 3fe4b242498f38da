#include "platform/store/GroupCommit.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <thread>

#include "platform/store/PublicStore.h"
#include "platform/store/StoreRows.h"

namespace quarvel::platform::store {
namespace {

namespace fs = std::filesystem;

class GroupCommitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "quarvel-commit-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    directory_ = pattern;
    store_ = std::make_unique<PublicStore>(directory_);
    store_->CreateFolder(StorePath{{"F"}}, {});
  }
  void TearDown() override {
    store_.reset();
    fs::remove_all(directory_);
  }

  static GroupCommit::Step Insert(const std::string& name) {
    return [name](StoreConnection& c) {
      (void)rows::InsertNewItem(c, StorePath{{"F", name}}, "x", {});
    };
  }

  fs::path directory_;
  std::unique_ptr<PublicStore> store_;
};

TEST_F(GroupCommitTest, AFailingStepIsUndoneAloneAndTheOthersCommit) {
  std::vector<GroupCommit::Step> steps;
  steps.push_back(Insert("a"));
  steps.push_back([](StoreConnection& c) {
    (void)rows::InsertNewItem(c, StorePath{{"F", "b"}}, "x", {});
    throw PlatformError(kErrFail, "step b failed after its insert");
  });
  steps.push_back(Insert("c"));
  steps.push_back([](StoreConnection& c) { c.Exec("INSERT INTO no_such_table VALUES (1)"); });
  const auto errors = store_->Database().Commits().Run(std::move(steps));
  ASSERT_EQ(errors.size(), 4u);
  EXPECT_FALSE(errors[0]);
  ASSERT_TRUE(errors[1]);
  EXPECT_EQ(errors[1]->Description(), "step b failed after its insert");
  EXPECT_FALSE(errors[2]);
  ASSERT_TRUE(errors[3]);
  EXPECT_NE(errors[3]->Description().find("no such table"), std::string::npos);
  EXPECT_EQ(store_->Items(StorePath{{"F"}}),
            (std::vector<StorePath>{StorePath{{"F", "a"}}, StorePath{{"F", "c"}}}));
  store_->Database().Commits().Sync();
}

// Threads hand their steps to whoever is committing; every step commits
// once, and none waits forever.
TEST_F(GroupCommitTest, ConcurrentRunsAllCommit) {
  constexpr int kThreads = 4;
  constexpr int kRuns = 25;
  std::vector<std::thread> threads;
  std::atomic<int> failures = 0;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int run = 0; run < kRuns; ++run) {
        std::vector<GroupCommit::Step> steps;
        steps.push_back(Insert(std::to_string(t) + "-" + std::to_string(run) + "-a"));
        steps.push_back(Insert(std::to_string(t) + "-" + std::to_string(run) + "-b"));
        for (const auto& error : store_->Database().Commits().Run(std::move(steps))) {
          if (error) ++failures;
        }
        if (run % 5 == 0) store_->WriteItem(StorePath{{"F", "loose-" + std::to_string(t)}}, "", {});
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(store_->ItemCount(StorePath{{"F"}}), kThreads * kRuns * 2 + kThreads);
}

}  // namespace
}  // namespace quarvel::platform::store
