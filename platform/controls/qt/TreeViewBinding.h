// A tree view: a QTreeWidget without a header, one widget item per model
// node under the item of the node's parent, each with the node's text, its
// image from the tree's image list, its bold state and whether it is
// expanded. The widget follows the model change by change: a node added,
// removed or changed updates that node only; a cleared tree empties it.
//
// A person's actions never change the widget by themselves:
// - a mouse press on a node calls UserClickNode (NodeClick), which selects it;
// - opening or closing a branch (its arrow, a double click, the keyboard)
//   calls UserSetExpanded;
// - the arrow keys move the selection to a node, silently, as the model's
//   selection from code does; NodeClick needs a click.
#pragma once

#include <vector>

#include "platform/controls/qt/ControlBinding.h"

class QTreeWidget;
class QTreeWidgetItem;

namespace quarvel::platform::controls {
class Node;
class TreeView;
}  // namespace quarvel::platform::controls

namespace quarvel::platform::controls::qt {

class TreeViewBinding : public ControlBinding {
 public:
  TreeViewBinding(TreeView& tree, RenderContext& context);
  [[nodiscard]] QWidget* Widget() const override;
  void Apply(const ControlChange& change) override;

  // The widget item of node `index` (from 1), or null.
  [[nodiscard]] QTreeWidgetItem* ItemOf(int index) const;

 protected:
  void SyncOwn() override;
  void SyncAfterUserAction() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void AddItem(const Node& node);
  void ShowNode(QTreeWidgetItem& item, const Node& node) const;
  void ShowNodes();
  void ShowSelection();
  [[nodiscard]] Node* NodeOf(const QTreeWidgetItem* item) const;

  TreeView& tree_;
  QTreeWidget* widget_;
  // items_[i] shows node i + 1; nodes are numbered in the order added.
  std::vector<QTreeWidgetItem*> items_;
};

}  // namespace quarvel::platform::controls::qt
