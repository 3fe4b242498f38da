#include "platform/controls/qt/TreeViewBinding.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTreeWidget>
#include <algorithm>

#include "platform/controls/ImageList.h"
#include "platform/controls/Node.h"
#include "platform/controls/TreeView.h"
#include "platform/controls/qt/ColorMapping.h"
#include "platform/controls/qt/IconLibrary.h"
#include "platform/controls/qt/RenderContext.h"

namespace quarvel::platform::controls::qt {

TreeViewBinding::TreeViewBinding(TreeView& tree, RenderContext& context)
    : ControlBinding(tree, context),
      tree_(tree),
      widget_(new QTreeWidget(context.ContainerWidget(tree))) {
  widget_->setObjectName(QString::fromStdString(tree.QualifiedName()));
  widget_->setHeaderHidden(true);
  widget_->setColumnCount(1);
  widget_->setSelectionMode(QAbstractItemView::SingleSelection);
  widget_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  widget_->setExpandsOnDoubleClick(false);
  widget_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  widget_->viewport()->installEventFilter(this);
  auto expanded = [this](QTreeWidgetItem* item, bool open) {
    if (IsMirroring()) return;
    if (Node* node = NodeOf(item))
      UserAction([this, node, open] { tree_.UserSetExpanded(*node, open); });
  };
  connect(widget_, &QTreeWidget::itemExpanded, this,
          [expanded](QTreeWidgetItem* item) { expanded(item, true); });
  connect(widget_, &QTreeWidget::itemCollapsed, this,
          [expanded](QTreeWidgetItem* item) { expanded(item, false); });
  connect(widget_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    if (IsMirroring()) return;
    const QList<QTreeWidgetItem*> selected = widget_->selectedItems();
    Node* node = selected.isEmpty() ? nullptr : NodeOf(selected.first());
    if (node != tree_.SelectedItem()) UserAction([this, node] { tree_.SetSelectedItem(node); });
  });
}

QWidget* TreeViewBinding::Widget() const { return widget_; }

QTreeWidgetItem* TreeViewBinding::ItemOf(int index) const {
  if (index < 1 || index > static_cast<int>(items_.size())) return nullptr;
  return items_[index - 1];
}

Node* TreeViewBinding::NodeOf(const QTreeWidgetItem* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return nullptr;
  const int index = static_cast<int>(it - items_.begin()) + 1;
  return index <= tree_.Nodes().Count() ? &tree_.Nodes()(index) : nullptr;
}

void TreeViewBinding::Apply(const ControlChange& change) {
  Mirror mirror(*this);
  const int index = change.index;
  switch (change.kind) {
    case ChangeKind::kItemAdded:
      // Nodes are only ever added last.
      if (index == static_cast<int>(items_.size()) + 1) {
        AddItem(tree_.Nodes()(index));
      } else {
        ShowNodes();
      }
      return;
    case ChangeKind::kItemRemoved:
      // The model reports a node's children before the node itself.
      if (QTreeWidgetItem* item = ItemOf(index)) {
        items_.erase(items_.begin() + (index - 1));
        delete item;
        ShowSelection();
      }
      return;
    case ChangeKind::kItemChanged:
      if (QTreeWidgetItem* item = ItemOf(index)) ShowNode(*item, tree_.Nodes()(index));
      return;
    case ChangeKind::kItemsCleared:
      widget_->clear();
      items_.clear();
      return;
    case ChangeKind::kSelection:
      ShowSelection();
      return;
    case ChangeKind::kScrolled:
      if (QTreeWidgetItem* item = ItemOf(index)) widget_->scrollToItem(item);
      return;
    default:
      break;
  }
  SyncAll();
}

void TreeViewBinding::AddItem(const Node& node) {
  QTreeWidgetItem* parent = node.Parent() != nullptr ? ItemOf(node.Parent()->Index()) : nullptr;
  auto* item = new QTreeWidgetItem();
  if (parent != nullptr) {
    parent->addChild(item);
  } else {
    widget_->addTopLevelItem(item);
  }
  items_.push_back(item);
  ShowNode(*item, node);
}

void TreeViewBinding::ShowNode(QTreeWidgetItem& item, const Node& node) const {
  item.setText(0, QString::fromStdString(node.Text()));
  QFont font = widget_->font();
  font.setBold(node.Bold());
  item.setFont(0, font);
  const ImageList* images = tree_.Images();
  const bool hasImage = images != nullptr && images->IndexOf(node.Image()) != 0;
  item.setIcon(0, hasImage ? Context().Icons().Icon(node.Image()) : QIcon());
  item.setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  if (item.isExpanded() != node.Expanded()) item.setExpanded(node.Expanded());
}

void TreeViewBinding::ShowNodes() {
  widget_->clear();
  items_.clear();
  for (const Node& node : tree_.Nodes()) AddItem(node);
  ShowSelection();
}

void TreeViewBinding::ShowSelection() {
  const Node* selected = tree_.SelectedItem();
  QTreeWidgetItem* item = selected != nullptr ? ItemOf(selected->Index()) : nullptr;
  if (item == nullptr) {
    if (!widget_->selectedItems().isEmpty() || widget_->currentItem() != nullptr) {
      widget_->setCurrentItem(nullptr);
      widget_->clearSelection();
    }
  } else if (widget_->currentItem() != item || !item->isSelected()) {
    widget_->setCurrentItem(item);
  }
}

void TreeViewBinding::SyncOwn() {
  SetTextColor(*widget_, tree_.ForeColor());
  SetBackgroundColor(*widget_, QPalette::Base, tree_.BackColor());
  QPalette palette = widget_->palette();
  const QPalette::ColorRole highlight =
      tree_.HideSelection() ? QPalette::Base : QPalette::Highlight;
  const QPalette::ColorRole text =
      tree_.HideSelection() ? QPalette::Text : QPalette::HighlightedText;
  palette.setColor(QPalette::Inactive, QPalette::Highlight,
                   QApplication::palette().color(QPalette::Inactive, highlight));
  palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                   QApplication::palette().color(QPalette::Inactive, text));
  widget_->setPalette(palette);
  if (const ImageList* images = tree_.Images()) {
    widget_->setIconSize(QSize(images->ImageWidth(), images->ImageHeight()));
  }
  ShowNodes();
}

void TreeViewBinding::SyncAfterUserAction() {
  Mirror mirror(*this);
  for (const Node& node : tree_.Nodes()) {
    QTreeWidgetItem* item = ItemOf(node.Index());
    if (item != nullptr && item->isExpanded() != node.Expanded())
      item->setExpanded(node.Expanded());
  }
  ShowSelection();
}

bool TreeViewBinding::eventFilter(QObject* watched, QEvent* event) {
  if (IsMirroring() || watched != widget_->viewport()) return false;
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick) {
    return type == QEvent::MouseMove && static_cast<QMouseEvent*>(event)->buttons() != Qt::NoButton;
  }
  auto* mouse = static_cast<QMouseEvent*>(event);
  const QPoint position = mouse->position().toPoint();
  QTreeWidgetItem* item = widget_->itemAt(position);
  Node* node = NodeOf(item);
  // A press left of the node's text is on its branch arrow: Qt opens or
  // closes the branch, and itemExpanded tells the model.
  if (node == nullptr || position.x() < widget_->visualItemRect(item).left()) return false;
  widget_->setFocus(Qt::MouseFocusReason);
  if (mouse->button() != Qt::LeftButton) return true;
  if (type == QEvent::MouseButtonDblClick) {
    if (!node->Children().empty()) {
      const bool open = !node->Expanded();
      UserAction([this, node, open] { tree_.UserSetExpanded(*node, open); });
    }
  } else {
    UserAction([this, node] { tree_.UserClickNode(*node); });
  }
  return true;
}

}  // namespace quarvel::platform::controls::qt
