// The report lists and the tree of the real forms drawn offscreen: rows and
// nodes show what the model holds and follow it row by row; a person's click
// on a check box runs the model's handler once and shows the model's state
// afterwards; program changes raise nothing; headers show the sort mark to
// the right of the caption.
#include "platform/controls/qt/ListViewBinding.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "platform/controls/qt/IconLibrary.h"
#include "platform/controls/qt/QtDesktop.h"
#include "platform/controls/qt/QtTestApplication_test_support.h"
#include "platform/controls/qt/TreeViewBinding.h"
#include "setup/main/InstallForm.h"
#include "setup/rules/frmAddEdit.h"

namespace quarvel::platform::controls::qt {
namespace {

using setup::frmAddEdit;
using setup::InstallForm;

struct FolderRow {
  const char* path;
  const char* name;
  const char* mark;
  bool checked;
};

const FolderRow kFolders[] = {{"Marketing", "Marketing", "checked", true},
                              {"Marketing/News", "News", "unchecked", false},
                              {"Spam", "Spam", "targetpf", false},
                              {"HR/Private", "Private", "accessdenied", false}};

class ListViewBindingTest : public ::testing::Test {
 protected:
  ListViewBindingTest() : renderer(desktop.Render(form)) {
    for (const FolderRow& folder : kFolders) {
      ListItem& row =
          list().Add(0, std::string("http://host/Public/") + folder.path, folder.path, folder.mark);
      row.SetChecked(folder.checked);
      row.SetSubItemText(1, folder.name);
      row.SetSubItemText(2, std::string(folder.name) + "@example.com");
    }
    form.ListView1.OnItemCheck = [this](ListItem& row) {
      events.push_back("ItemCheck " + row.Text());
    };
    form.ListView1.OnItemClick = [this](ListItem& row) {
      events.push_back("ItemClick " + row.Text());
    };
    form.ListView1.OnClick = [this] { events.push_back("Click"); };
    form.ListView1.OnMouseUp = [this] { events.push_back("MouseUp"); };
    form.ListView1.OnColumnClick = [this](ColumnHeader& column) {
      events.push_back("ColumnClick " + column.Text());
    };
    form.Show();
    ProcessEvents();
  }

  ListItemCollection& list() { return form.ListView1.ListItems(); }
  ListViewBinding& binding() {
    return *static_cast<ListViewBinding*>(renderer.BindingFor(form.ListView1));
  }
  QTreeWidget& widget() { return *qobject_cast<QTreeWidget*>(renderer.WidgetFor(form.ListView1)); }
  QTreeWidgetItem& shown(int index) { return *widget().topLevelItem(index - 1); }
  // A person's click on row `index`, on its check box or on its text.
  void ClickRow(int index, bool onCheckBox) {
    const QRect box = binding().CheckBoxRect(index);
    ASSERT_FALSE(box.isEmpty());
    const QRect row = widget().visualItemRect(&shown(index));
    Click(*widget().viewport(),
          onCheckBox ? box.center() : QPoint(box.right() + 40, row.center().y()));
  }

  QApplication& application = TestApplication();
  InstallForm form;
  QtDesktop desktop;  // after the form, which must outlive it
  FormRenderer& renderer;
  std::vector<std::string> events;
};

TEST_F(ListViewBindingTest, RowsShowTextsIconsChecksBoldColourAndTooltipsPerCell) {
  ListItem& spam = list()(3);
  spam.SetToolTipText("[RULE TARGET] http://host/Public/Spam");
  spam.ListSubItems()(1).SetToolTipText("[RULE TARGET] Spam");
  spam.SetBold(true);
  list()(2).SetForeColor(kRed);
  list()(2).ListSubItems()(2).SetForeColor(kRed);
  ASSERT_EQ(widget().topLevelItemCount(), 4);
  for (int i = 1; i <= 4; ++i) {
    const FolderRow& folder = kFolders[i - 1];
    QTreeWidgetItem& item = shown(i);
    EXPECT_EQ(item.text(0).toStdString(), folder.path);
    EXPECT_EQ(item.text(1).toStdString(), folder.name);
    EXPECT_EQ(item.checkState(0), folder.checked ? Qt::Checked : Qt::Unchecked);
    EXPECT_EQ(item.icon(0).cacheKey(), desktop.Icons().Icon(folder.mark).cacheKey()) << folder.mark;
    EXPECT_FALSE(item.flags() & Qt::ItemIsUserCheckable);  // only the model toggles
  }
  EXPECT_TRUE(shown(3).font(0).bold());
  EXPECT_FALSE(shown(3).font(1).bold());  // sub-items keep their own state
  EXPECT_EQ(shown(3).toolTip(0), "[RULE TARGET] http://host/Public/Spam");
  EXPECT_EQ(shown(3).toolTip(1), "[RULE TARGET] Spam");
  EXPECT_EQ(shown(2).foreground(0).color(), QColor(255, 0, 0));
  EXPECT_EQ(shown(2).foreground(2).color(), QColor(255, 0, 0));
  EXPECT_FALSE(shown(2).data(1, Qt::ForegroundRole).isValid());
  EXPECT_EQ(widget().columnCount(), 3);
  EXPECT_EQ(widget().headerItem()->text(2), "E-mail address");
  EXPECT_EQ(widget().header()->sectionSize(0), renderer.Scale().ToPixels(3900));
}

TEST_F(ListViewBindingTest, APersonsCheckBoxClickRunsTheHandlerOnceAndShowsTheModelsState) {
  // The handler decides: the first row toggles, the second refuses.
  form.ListView1.OnItemCheck = [this](ListItem& row) {
    events.push_back("ItemCheck " + row.Text());
    if (row.Index() == 1) row.SetChecked(!row.Checked());
  };
  ClickRow(1, true);
  EXPECT_EQ(events, (std::vector<std::string>{"ItemCheck Marketing", "Click", "MouseUp"}));
  EXPECT_FALSE(list()(1).Checked());
  EXPECT_EQ(shown(1).checkState(0), Qt::Unchecked);
  events.clear();
  ClickRow(2, true);
  EXPECT_EQ(events, (std::vector<std::string>{"ItemCheck Marketing/News", "Click", "MouseUp"}));
  EXPECT_FALSE(list()(2).Checked());
  EXPECT_EQ(shown(2).checkState(0), Qt::Unchecked);  // Qt did not toggle it by itself
  EXPECT_EQ(form.ListView1.SelectedItem(), &list()(2));
  EXPECT_TRUE(shown(2).isSelected());
  events.clear();
  ClickRow(3, false);
  EXPECT_EQ(events, (std::vector<std::string>{"ItemClick Spam", "Click", "MouseUp"}));
}

TEST_F(ListViewBindingTest, ProgramChangesRaiseNothingAndUpdateOnlyTheirRow) {
  QTreeWidgetItem* first = &shown(1);
  QTreeWidgetItem* last = &shown(4);
  list()(2).SetChecked(true);
  list()(2).SetSmallIcon("checked");
  list()(4).SetSelected(true);
  list()(3).SetSubItemText(1, "Spam folder");
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(shown(2).checkState(0), Qt::Checked);
  EXPECT_EQ(shown(2).icon(0).cacheKey(), desktop.Icons().Icon("checked").cacheKey());
  EXPECT_TRUE(last->isSelected());
  EXPECT_EQ(shown(3).text(1), "Spam folder");
  list().Remove(2);
  list().Add(0, "http://host/Public/New", "New", "pf");
  EXPECT_EQ(&shown(1), first);  // untouched rows keep their widget rows
  EXPECT_EQ(&shown(3), last);
  EXPECT_EQ(widget().topLevelItemCount(), 4);
  EXPECT_EQ(shown(4).text(0), "New");
  EXPECT_TRUE(last->isSelected());
  // Sorting reorders the widget rows with the model's.
  form.ListView1.SetSortOrder(ListSortOrder::kDescending);
  form.ListView1.SetSorted(true);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(shown(i).text(0).toStdString(), list()(i).Text());
  EXPECT_TRUE(shown(list()("http://host/Public/HR/Private").Index()).isSelected());
  list().Clear();
  EXPECT_EQ(widget().topLevelItemCount(), 0);
  // A list without check boxes, where a person's selection is a click.
  form.ListView2.OnItemClick = [this](ListItem& row) {
    events.push_back("ItemClick " + row.Text());
  };
  form.ListView2.ListItems().Add(0, "", "X-Spam-Flag: YES");
  form.ListView2.ListItems().Add(0, "", "Subject: [SPAM]").SetSelected(true);
  form.ListView2.ListItems()(1).SetSelected(true);
  auto* rules = qobject_cast<QTreeWidget*>(renderer.WidgetFor(form.ListView2));
  EXPECT_TRUE(rules->topLevelItem(0)->isSelected());
  EXPECT_FALSE(rules->topLevelItem(1)->isSelected());
  // Qt would select a neighbour of a removed selected row by itself.
  form.ListView2.ListItems().Remove(1);
  EXPECT_EQ(form.ListView2.SelectedItem(), nullptr);
  EXPECT_TRUE(rules->selectedItems().isEmpty());
  EXPECT_TRUE(events.empty());
}

TEST_F(ListViewBindingTest, AColumnClickGoesToTheModelAndQtNeverSortsByItself) {
  QHeaderView* header = widget().header();
  Click(*header->viewport(), QPoint(header->sectionViewportPosition(1) + 10, 5));
  EXPECT_EQ(events, (std::vector<std::string>{"ColumnClick Name"}));
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(shown(i).text(0).toStdString(), kFolders[i - 1].path);
}

TEST_F(ListViewBindingTest, TheHeaderShowsTheSortMarkToTheRightOfTheCaption) {
  auto& header = binding().Header();
  ColumnHeader& name = form.ListView1.ColumnHeaders()(2);
  name.SetAlignment(TextAlignment::kRight);
  name.SetHeaderItem(kHeaderString | kHeaderImage | kHeaderBitmapOnRight | 1, 1);
  const CaptionLayout marked = header.LayoutOf(1);
  const CaptionLayout plain = header.LayoutOf(0);
  ASSERT_FALSE(marked.mark.isEmpty());
  EXPECT_TRUE(plain.mark.isEmpty());
  EXPECT_GE(marked.mark.left(), marked.caption.right());
  // Right-aligned: the caption and its mark end at the section's right edge.
  const int sectionRight = header.sectionViewportPosition(1) + header.sectionSize(1);
  EXPECT_GT(marked.mark.right(), sectionRight - 16);
  EXPECT_LE(marked.mark.right(), sectionRight);
  EXPECT_EQ(shown(1).textAlignment(1) & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  // Picture 1 of the header's image list is the descending arrow.
  QImage drawn = header.grab().toImage();
  EXPECT_FALSE(drawn.isNull());
  name.SetHeaderItem(kHeaderString | kHeaderImage | 1, 0);  // image on the left
  const CaptionLayout left = header.LayoutOf(1);
  EXPECT_LE(left.mark.right(), left.caption.left());
}

TEST(CaptionLayoutTest, TheCaptionShrinksBeforeTheMarkAndAlignmentPlacesThePair) {
  const QRect label(10, 0, 100, 20);
  struct Case {
    int textWidth;
    Qt::Alignment alignment;
    bool onRight;
    QRect caption, mark;
  };
  const Case cases[] = {
      {40, Qt::AlignLeft, true, {10, 0, 40, 20}, {54, 2, 16, 16}},
      {40, Qt::AlignRight, true, {50, 0, 40, 20}, {94, 2, 16, 16}},
      {40, Qt::AlignHCenter, true, {30, 0, 40, 20}, {74, 2, 16, 16}},
      {40, Qt::AlignLeft, false, {30, 0, 40, 20}, {10, 2, 16, 16}},
      {200, Qt::AlignLeft, true, {10, 0, 80, 20}, {94, 2, 16, 16}},
  };
  for (const Case& c : cases) {
    const CaptionLayout layout =
        LayOutCaption(label, c.textWidth, QSize(16, 16), c.alignment, c.onRight, 4);
    EXPECT_EQ(layout.caption, c.caption) << c.textWidth << " " << int(c.alignment);
    EXPECT_EQ(layout.mark, c.mark) << c.textWidth << " " << int(c.alignment);
  }
  EXPECT_TRUE(LayOutCaption(label, 40, QSize(), Qt::AlignLeft, true, 4).mark.isEmpty());
}

TEST_F(ListViewBindingTest, KeysMoveTheSelectionAndSpaceClicksTheCheckBox) {
  widget().setFocus();
  list()(1).SetSelected(true);
  QTest::keyClick(&widget(), Qt::Key_Down);
  // In a check-box list walking the rows only selects them.
  EXPECT_EQ(form.ListView1.SelectedItem(), &list()(2));
  EXPECT_TRUE(events.empty());
  QTest::keyClick(&widget(), Qt::Key_Space);
  EXPECT_EQ(events, (std::vector<std::string>{"ItemCheck Marketing/News", "Click"}));
  events.clear();
  form.ListView1.SetCheckboxes(false);
  EXPECT_FALSE(shown(1).data(0, Qt::CheckStateRole).isValid());
  QTest::keyClick(&widget(), Qt::Key_Down);
  EXPECT_EQ(events, (std::vector<std::string>{"ItemClick Spam", "Click"}));
}

TEST(TreeViewBindingTest, NodesShowImagesAndBoldAndAPersonsClickRaisesNodeClickOnce) {
  TestApplication();
  frmAddEdit editor;
  QtDesktop desktop;
  FormRenderer& renderer = desktop.Render(editor);
  NodeCollection& nodes = editor.TreeView1.Nodes();
  nodes.Add("", "http://host/Public/Marketing", "Marketing", "pf").SetBold(true);
  nodes.Add("http://host/Public/Marketing", "http://host/Public/Marketing/News", "News", "pf");
  nodes.Add("", "http://host/Public/HR", "HR", "accessdenied");
  std::vector<std::string> clicks;
  editor.TreeView1.OnNodeClick = [&](Node& node) { clicks.push_back(node.Text()); };
  editor.Show();
  auto& binding = *static_cast<TreeViewBinding*>(renderer.BindingFor(editor.TreeView1));
  auto& widget = *qobject_cast<QTreeWidget*>(renderer.WidgetFor(editor.TreeView1));
  ASSERT_EQ(widget.topLevelItemCount(), 2);
  EXPECT_EQ(binding.ItemOf(2)->parent(), binding.ItemOf(1));
  EXPECT_TRUE(binding.ItemOf(1)->font(0).bold());
  EXPECT_FALSE(binding.ItemOf(3)->font(0).bold());
  EXPECT_EQ(binding.ItemOf(3)->icon(0).cacheKey(), desktop.Icons().Icon("accessdenied").cacheKey());
  nodes(2).EnsureVisible();  // expands its parent, raising nothing
  nodes(2).SetSelected(true);
  EXPECT_TRUE(binding.ItemOf(1)->isExpanded());
  EXPECT_TRUE(binding.ItemOf(2)->isSelected());
  EXPECT_TRUE(clicks.empty());
  ProcessEvents();
  Click(*widget.viewport(), widget.visualItemRect(binding.ItemOf(3)).center());
  EXPECT_EQ(clicks, (std::vector<std::string>{"HR"}));
  EXPECT_EQ(editor.TreeView1.SelectedItem(), &nodes(3));
  EXPECT_TRUE(binding.ItemOf(3)->isSelected());
  nodes.Remove(1);  // with its child
  EXPECT_EQ(widget.topLevelItemCount(), 1);
  EXPECT_EQ(binding.ItemOf(1), widget.topLevelItem(0));
}

}  // namespace
}  // namespace quarvel::platform::controls::qt
