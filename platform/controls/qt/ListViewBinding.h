// A report list view: a QTreeWidget without branches, one widget row per
// model row in the same order, the columns' captions, widths (twips) and
// alignments, and a SortMarkHeader that draws the header items' sort mark to
// the right of the caption. Each cell shows its text, bold state, text
// colour and tooltip (the row's for the first column, the sub-item's for the
// others); the first cell shows the row's small icon from the list's image
// list and, with check boxes on, its check state.
//
// The widget follows the model change by change: a row added, removed or
// changed updates that row only; a cleared or reordered list is filled anew.
//
// A person's actions never change the widget by themselves:
// - a mouse press on a row calls UserClickItem, on the check box when it
//   lands on one; the handler decides whether the row is checked, and the
//   widget then shows what the model holds (Qt's own toggling is off);
// - Space on the current row of a check-box list is a click on its check box;
// - the arrow keys move the selection; in a list without check boxes that is
//   a click on the new row (ItemClick), in a check-box list it only selects,
//   so walking the list never changes a row's mark;
// - a click on a column header calls UserClickColumn (Qt never sorts);
// - releasing a mouse button over the rows raises MouseUp;
// - F2 edits the row's text in place when LabelEdit is on; the edited text
//   goes to UserEditLabel, whose BeforeLabelEdit may refuse it.
#pragma once

#include "platform/controls/qt/ControlBinding.h"
#include "platform/controls/qt/SortMarkHeader.h"

class QTreeWidgetItem;

namespace quarvel::platform::controls {
class ListItem;
class ListView;
}  // namespace quarvel::platform::controls

namespace quarvel::platform::controls::qt {

class ReportTreeWidget;

class ListViewBinding : public ControlBinding {
 public:
  ListViewBinding(ListView& list, RenderContext& context);
  ~ListViewBinding() override;
  [[nodiscard]] QWidget* Widget() const override;
  void Apply(const ControlChange& change) override;

  // Where the check box of row `index` (from 1) is drawn, in the rows'
  // viewport; empty when it shows none (for tests and hit-testing).
  [[nodiscard]] QRect CheckBoxRect(int index) const;
  [[nodiscard]] SortMarkHeader& Header() const { return *header_; }

 protected:
  void SyncOwn() override;
  void SyncAfterUserAction() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowLook();
  void ShowColumns();
  void ShowColumn(int column);
  void ShowRows();
  void ShowRow(QTreeWidgetItem& item, const ListItem& row) const;
  [[nodiscard]] QTreeWidgetItem* NewRow(const ListItem& row) const;
  void ShowSelection();
  [[nodiscard]] HeaderMark MarkOf(int section) const;
  [[nodiscard]] ListItem* RowOf(const QTreeWidgetItem* item) const;
  void SelectionChangedByKeyboard();
  void ClickAt(const QPoint& position);

  ListView& list_;
  ReportTreeWidget* widget_;
  SortMarkHeader* header_;
};

}  // namespace quarvel::platform::controls::qt
