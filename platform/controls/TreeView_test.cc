// The tree view: keys, parents, numbering, removal and what a click does.
#include "platform/controls/TreeView.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ErrorOf_test_support.h"
#include "platform/PlatformError.h"
#include "platform/controls/ControlErrors.h"
#include "platform/controls/Form.h"

namespace quarvel::platform::controls {
namespace {

// Public/ A/ A1/ A1x, Public/ A/ A2, Public/ B
class TreeViewTest : public ::testing::Test {
 protected:
  TreeViewTest() {
    form.Add(tree);
    tree.Nodes().Add("", "P/A", "A", "pf");
    tree.Nodes().Add("P/A", "P/A/A1", "A1", "pf");
    tree.Nodes().Add("P/A/A1", "P/A/A1/A1x", "A1x", "pf");
    tree.Nodes().Add("P/A", "P/A/A2", "A2", "pf");
    tree.Nodes().Add("", "P/B", "B", "accessdenied");
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const Node& node : tree.Nodes()) texts.push_back(node.Text());
    return texts;
  }

  Form form{"frmAddEdit"};
  TreeView tree{"TreeView1"};
};

TEST_F(TreeViewTest, NodesAreNumberedFromOneInTheOrderAddedUnderTheirParents) {
  EXPECT_EQ(tree.Nodes()(1).Text(), "A");
  EXPECT_EQ(tree.Nodes()(4).Key(), "P/A/A2");
  EXPECT_EQ(tree.Nodes()("P/A/A1/A1x").Parent(), &tree.Nodes()("P/A/A1"));
  ASSERT_EQ(tree.Nodes()("P/A").Children().size(), 2u);
  EXPECT_EQ(tree.Nodes()("P/A").Children()[1]->Text(), "A2");
  ASSERT_EQ(tree.Roots().size(), 2u);
  EXPECT_EQ(tree.Roots()[1]->Text(), "B");
  EXPECT_EQ(ErrorOf([&] { (void)tree.Nodes()(0); }), kErrIndexOutOfBounds);
  EXPECT_EQ(ErrorOf([&] { (void)tree.Nodes()(6); }), kErrIndexOutOfBounds);
}

TEST_F(TreeViewTest, AMissingParentOrATakenKeyIsAnErrorAndAddsNothing) {
  EXPECT_EQ(ErrorOf([&] { tree.Nodes().Add("P/C", "P/C/C1", "C1"); }), kErrElementNotFound);
  EXPECT_EQ(ErrorOf([&] { tree.Nodes().Add("P/A", "P/B", "B again"); }), kErrKeyNotUnique);
  EXPECT_EQ(ErrorOf([&] { (void)tree.Nodes()("p/a"); }), kErrElementNotFound);  // exact
  EXPECT_EQ(tree.Nodes().Count(), 5);
  EXPECT_EQ(tree.Nodes()("P/A").Children().size(), 2u);
}

TEST_F(TreeViewTest, MakingANodeVisibleExpandsEveryNodeAboveIt) {
  Node& deep = tree.Nodes()("P/A/A1/A1x");
  deep.EnsureVisible();
  EXPECT_TRUE(tree.Nodes()("P/A").Expanded());
  EXPECT_TRUE(tree.Nodes()("P/A/A1").Expanded());
  EXPECT_FALSE(deep.Expanded());
  EXPECT_FALSE(tree.Nodes()("P/B").Expanded());
  EXPECT_EQ(tree.ScrolledTo(), &deep);
}

TEST_F(TreeViewTest, RemovingANodeRemovesItsBranchAndRenumbersTheRest) {
  tree.Nodes()("P/A/A1/A1x").SetSelected(true);
  tree.Nodes().Remove("P/A/A1");
  EXPECT_EQ(Texts(), (std::vector<std::string>{"A", "A2", "B"}));
  EXPECT_EQ(tree.Nodes()("P/B").Index(), 3);
  EXPECT_EQ(tree.Nodes().Find("P/A/A1/A1x"), nullptr);
  EXPECT_EQ(tree.SelectedItem(), nullptr);
  EXPECT_EQ(tree.Nodes()("P/A").Children().size(), 1u);
  tree.Nodes().Add("P/A", "P/A/A1", "A1 again");  // the keys are free again
  tree.Nodes().Clear();
  EXPECT_TRUE(tree.Roots().empty());
  EXPECT_EQ(tree.Nodes().Count(), 0);
}

TEST_F(TreeViewTest, OnlyAPersonsClickRaisesNodeClick) {
  std::vector<std::string> clicked;
  tree.OnNodeClick = [&](Node& node) { clicked.push_back(node.Key()); };
  Node& b = tree.Nodes()("P/B");
  b.SetSelected(true);
  tree.Nodes()(1).SetSelected(true);
  EXPECT_FALSE(b.Selected());
  tree.SetSelectedItem(nullptr);
  EXPECT_TRUE(clicked.empty());
  tree.UserClickNode(b);
  EXPECT_EQ(tree.SelectedItem(), &b);
  EXPECT_EQ(clicked, (std::vector<std::string>{"P/B"}));
}

}  // namespace
}  // namespace quarvel::platform::controls
