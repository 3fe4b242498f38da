#include "platform/controls/qt/ListViewBinding.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <algorithm>

#include "platform/controls/ImageList.h"
#include "platform/controls/ListView.h"
#include "platform/controls/qt/ColorMapping.h"
#include "platform/controls/qt/IconLibrary.h"
#include "platform/controls/qt/RenderContext.h"
#include "platform/controls/qt/TwipsScale.h"

namespace quarvel::platform::controls::qt {

namespace {

Qt::Alignment CellAlignment(TextAlignment alignment) {
  switch (alignment) {
    case TextAlignment::kRight:
      return Qt::AlignRight | Qt::AlignVCenter;
    case TextAlignment::kCenter:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    case TextAlignment::kLeft:
      break;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

// The header item's own alignment bits: left 0, right 1, centre 2.
Qt::Alignment HeaderAlignment(int format) {
  switch (format & kHeaderAlignmentMask) {
    case 1:
      return Qt::AlignRight | Qt::AlignVCenter;
    case 2:
      return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
      return Qt::AlignLeft | Qt::AlignVCenter;
  }
}

// Draws the rows and knows where a row's check box is; an edited row text is
// handed on instead of being written into the widget.
class RowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  std::function<void(int row, const QString& text)> onEdited;

  QRect CheckRect(QStyleOptionViewItem option, const QModelIndex& index) const {
    initStyleOption(&option, index);
    if (!(option.features & QStyleOptionViewItem::HasCheckIndicator)) return {};
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    return style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, widget);
  }

  void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
    auto* edit = qobject_cast<QLineEdit*>(editor);
    if (edit != nullptr && onEdited) onEdited(index.row(), edit->text());
  }
};

}  // namespace

// A QTreeWidget shaped as a report list.
class ReportTreeWidget : public QTreeWidget {
 public:
  explicit ReportTreeWidget(QWidget* parent)
      : QTreeWidget(parent), delegate_(new RowDelegate(this)) {
    setItemDelegate(delegate_);
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setAllColumnsShowFocus(true);
    setSortingEnabled(false);
    setTextElideMode(Qt::ElideRight);
  }

  RowDelegate& Delegate() const { return *delegate_; }

  QRect CheckRect(QTreeWidgetItem* item) const {
    const QModelIndex index = indexFromItem(item, 0);
    if (!index.isValid()) return {};
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.widget = this;
    option.rect = visualRect(index);
    return delegate_->CheckRect(option, index);
  }

 protected:
  // Only the row's own text (the first column) is edited in place.
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override {
    return QTreeWidget::edit(index.siblingAtColumn(0), trigger, event);
  }

 private:
  RowDelegate* delegate_;
};

ListViewBinding::ListViewBinding(ListView& list, RenderContext& context)
    : ControlBinding(list, context),
      list_(list),
      widget_(new ReportTreeWidget(context.ContainerWidget(list))),
      header_(new SortMarkHeader(widget_)) {
  widget_->setObjectName(QString::fromStdString(list.QualifiedName()));
  widget_->setHeader(header_);
  header_->setSectionsClickable(true);  // the view turns this off along with its own sorting
  header_->SetMarkSource([this](int section) { return MarkOf(section); });
  widget_->installEventFilter(this);
  widget_->viewport()->installEventFilter(this);
  widget_->Delegate().onEdited = [this](int row, const QString& text) {
    if (row < 0 || row >= list_.ListItems().Count()) return;
    ListItem& item = list_.ListItems()(row + 1);
    const std::string edited = text.toStdString();
    UserAction([&item, &edited, this] { list_.UserEditLabel(item, edited); });
    Mirror mirror(*this);
    if (QTreeWidgetItem* shown = widget_->topLevelItem(row)) {
      if (row < list_.ListItems().Count()) ShowRow(*shown, list_.ListItems()(row + 1));
    }
  };
  connect(header_, &QHeaderView::sectionClicked, this, [this](int section) {
    if (section < 0 || section >= list_.ColumnHeaders().Count()) return;
    UserAction([this, section] { list_.UserClickColumn(list_.ColumnHeaders()(section + 1)); });
  });
  connect(widget_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
    if (!IsMirroring()) SelectionChangedByKeyboard();
  });
}

ListViewBinding::~ListViewBinding() {
  // The widget outlives the binding by a moment; its callbacks must not reach back.
  widget_->Delegate().onEdited = nullptr;
  header_->SetMarkSource(nullptr);
}

QWidget* ListViewBinding::Widget() const { return widget_; }

QRect ListViewBinding::CheckBoxRect(int index) const {
  return widget_->CheckRect(widget_->topLevelItem(index - 1));
}

ListItem* ListViewBinding::RowOf(const QTreeWidgetItem* item) const {
  if (item == nullptr) return nullptr;
  const int position = widget_->indexOfTopLevelItem(const_cast<QTreeWidgetItem*>(item));
  if (position < 0 || position >= list_.ListItems().Count()) return nullptr;
  return &list_.ListItems()(position + 1);
}

HeaderMark ListViewBinding::MarkOf(int section) const {
  if (section < 0 || section >= list_.ColumnHeaders().Count()) return {};
  const ColumnHeader& column = list_.ColumnHeaders()(section + 1);
  const ImageList* images = list_.ColumnHeaderIcons();
  if (!column.ShowsHeaderImage() || images == nullptr) return {};
  // Header images count from 0: picture 0 is the image list's first image.
  const int image = column.HeaderImage() + 1;
  if (image < 1 || image > images->Count()) return {};
  return HeaderMark{Context().Icons().Icon(images->Key(image)),
                    (column.HeaderFormat() & kHeaderBitmapOnRight) != 0};
}

void ListViewBinding::Apply(const ControlChange& change) {
  Mirror mirror(*this);
  const int index = change.index;
  switch (change.kind) {
    case ChangeKind::kItemAdded:
      widget_->insertTopLevelItem(index - 1, NewRow(list_.ListItems()(index)));
      ShowSelection();
      return;
    case ChangeKind::kItemRemoved:
      delete widget_->takeTopLevelItem(index - 1);
      ShowSelection();
      return;
    case ChangeKind::kItemChanged:
      if (QTreeWidgetItem* item = widget_->topLevelItem(index - 1)) {
        ShowRow(*item, list_.ListItems()(index));
      } else {
        ShowRows();
      }
      return;
    case ChangeKind::kItemsCleared:
      widget_->clear();
      return;
    case ChangeKind::kItemsReordered:
      ShowRows();
      return;
    case ChangeKind::kSelection:
      ShowSelection();
      return;
    case ChangeKind::kScrolled:
      if (QTreeWidgetItem* item = widget_->topLevelItem(index - 1)) widget_->scrollToItem(item);
      return;
    case ChangeKind::kColumnChanged:
      ShowColumn(index);
      return;
    default:
      break;
  }
  SyncAll();
}

void ListViewBinding::SyncOwn() {
  ShowLook();
  ShowColumns();
  ShowRows();
}

void ListViewBinding::SyncAfterUserAction() {
  Mirror mirror(*this);
  ShowSelection();
}

void ListViewBinding::ShowLook() {
  SetTextColor(*widget_, list_.ForeColor());
  SetBackgroundColor(*widget_, QPalette::Base, list_.BackColor());
  QPalette palette = widget_->palette();
  if (list_.HideSelection()) {
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     palette.color(QPalette::Inactive, QPalette::Base));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Inactive, QPalette::Text));
  } else {
    palette.setColor(QPalette::Inactive, QPalette::Highlight,
                     QApplication::palette().color(QPalette::Inactive, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     QApplication::palette().color(QPalette::Inactive, QPalette::HighlightedText));
  }
  widget_->setPalette(palette);
  if (list_.BorderStyle() == ListBorderStyle::kFlat) {
    widget_->setFrameStyle(QFrame::Box | QFrame::Plain);
  } else {
    widget_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  }
  if (const ImageList* images = list_.SmallIcons()) {
    widget_->setIconSize(QSize(images->ImageWidth(), images->ImageHeight()));
  }
  widget_->setEditTriggers(list_.LabelEdit() ? QAbstractItemView::EditKeyPressed
                                             : QAbstractItemView::NoEditTriggers);
}

void ListViewBinding::ShowColumns() {
  const int count = list_.ColumnHeaders().Count();
  widget_->setColumnCount(std::max(count, 1));
  if (count == 0) widget_->headerItem()->setText(0, QString());
  for (int column = 1; column <= count; ++column) ShowColumn(column);
}

void ListViewBinding::ShowColumn(int column) {
  const int count = list_.ColumnHeaders().Count();
  if (column < 1 || column > count || widget_->columnCount() != std::max(count, 1)) {
    // Columns came or went: the rows show a different set of cells.
    ShowColumns();
    ShowRows();
    return;
  }
  const ColumnHeader& header = list_.ColumnHeaders()(column);
  QTreeWidgetItem* caption = widget_->headerItem();
  caption->setText(column - 1, QString::fromStdString(header.Text()));
  caption->setTextAlignment(column - 1, HeaderAlignment(header.HeaderFormat()));
  header_->resizeSection(column - 1, Context().Scale().ToPixels(header.Width()));
  const Qt::Alignment cells = CellAlignment(header.Alignment());
  QTreeWidgetItem* first = widget_->topLevelItem(0);
  if (first != nullptr && Qt::Alignment(first->textAlignment(column - 1)) != cells) {
    for (int row = 0; row < widget_->topLevelItemCount(); ++row) {
      widget_->topLevelItem(row)->setTextAlignment(column - 1, cells);
    }
  }
  header_->viewport()->update();
}

QTreeWidgetItem* ListViewBinding::NewRow(const ListItem& row) const {
  auto* item = new QTreeWidgetItem();
  ShowRow(*item, row);
  return item;
}

void ListViewBinding::ShowRow(QTreeWidgetItem& item, const ListItem& row) const {
  const int columns = std::max(1, list_.ColumnHeaders().Count());
  const QPalette palette = QApplication::palette();
  for (int column = 0; column < columns; ++column) {
    bool bold = row.Bold();
    Color foreColor = row.ForeColor();
    std::string tip = row.ToolTipText();
    if (column > 0) {
      bold = false;
      foreColor = Color::System(SystemColor::kWindowText);
      tip.clear();
      if (column <= row.ListSubItems().Count()) {
        const ListSubItem& sub = row.ListSubItems()(column);
        bold = sub.Bold();
        foreColor = sub.ForeColor();
        tip = sub.ToolTipText();
      }
    }
    item.setText(column, QString::fromStdString(row.ColumnText(column)));
    QFont font = widget_->font();
    font.setBold(bold);
    item.setFont(column, font);
    if (foreColor == Color::System(SystemColor::kWindowText)) {
      item.setData(column, Qt::ForegroundRole, QVariant());
    } else {
      item.setForeground(column, QBrush(ToQColor(foreColor, palette)));
    }
    item.setToolTip(column, QString::fromStdString(tip));
    if (column < list_.ColumnHeaders().Count()) {
      item.setTextAlignment(column, CellAlignment(list_.ColumnHeaders()(column + 1).Alignment()));
    }
  }
  const ImageList* images = list_.SmallIcons();
  const bool hasIcon = images != nullptr && images->IndexOf(row.SmallIcon()) != 0;
  item.setIcon(0, hasIcon ? Context().Icons().Icon(row.SmallIcon()) : QIcon());
  if (list_.Checkboxes()) {
    item.setCheckState(0, row.Checked() ? Qt::Checked : Qt::Unchecked);
  } else {
    item.setData(0, Qt::CheckStateRole, QVariant());
  }
  // Not user-checkable: a click on the check box goes to the model, never
  // straight into the widget.
  Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
  if (list_.LabelEdit()) flags |= Qt::ItemIsEditable;
  item.setFlags(flags);
}

void ListViewBinding::ShowRows() {
  const int scrolled = widget_->verticalScrollBar()->value();
  widget_->clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(list_.ListItems().Count());
  for (const ListItem& row : list_.ListItems()) items.append(NewRow(row));
  widget_->addTopLevelItems(items);
  widget_->verticalScrollBar()->setValue(scrolled);
  ShowSelection();
}

void ListViewBinding::ShowSelection() {
  const ListItem* selected = list_.SelectedItem();
  QTreeWidgetItem* item =
      selected != nullptr ? widget_->topLevelItem(selected->Index() - 1) : nullptr;
  if (item == nullptr) {
    if (!widget_->selectedItems().isEmpty() || widget_->currentItem() != nullptr) {
      widget_->setCurrentItem(nullptr);
      widget_->clearSelection();
    }
  } else if (widget_->currentItem() != item || !item->isSelected()) {
    widget_->setCurrentItem(item);
  }
}

void ListViewBinding::SelectionChangedByKeyboard() {
  const QList<QTreeWidgetItem*> selected = widget_->selectedItems();
  ListItem* row = selected.isEmpty() ? nullptr : RowOf(selected.first());
  if (row == list_.SelectedItem()) return;
  if (row != nullptr && !list_.Checkboxes()) {
    UserAction([this, row] { list_.UserClickItem(*row); });
  } else {
    UserAction([this, row] { list_.SetSelectedItem(row); });
  }
}

void ListViewBinding::ClickAt(const QPoint& position) {
  QTreeWidgetItem* item = widget_->itemAt(position);
  ListItem* row = RowOf(item);
  if (row == nullptr) return;
  const bool onCheckBox = list_.Checkboxes() && widget_->CheckRect(item).contains(position);
  UserAction([this, row, onCheckBox] { list_.UserClickItem(*row, onCheckBox); });
}

bool ListViewBinding::eventFilter(QObject* watched, QEvent* event) {
  if (IsMirroring()) return false;
  if (watched == widget_->viewport()) {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick: {
        // The model decides what a click selects or checks; Qt does nothing by itself.
        auto* mouse = static_cast<QMouseEvent*>(event);
        widget_->setFocus(Qt::MouseFocusReason);
        if (mouse->button() == Qt::LeftButton) ClickAt(mouse->position().toPoint());
        return true;
      }
      case QEvent::MouseMove:
        return static_cast<QMouseEvent*>(event)->buttons() != Qt::NoButton;
      case QEvent::MouseButtonRelease:
        UserAction([this] { list_.UserMouseUp(); });
        return true;
      default:
        return false;
    }
  }
  if (watched == widget_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier && list_.Checkboxes()) {
      if (ListItem* row = RowOf(widget_->currentItem())) {
        UserAction([this, row] { list_.UserClickItem(*row, true); });
      }
      return true;
    }
  }
  return false;
}

}  // namespace quarvel::platform::controls::qt
