// The renderer's view of the models: every change to a control of a form is
// reported to the one observer registered on that form, so widgets can follow
// the model without polling. Changes are reported after they are made, on
// the window thread, also while a handler runs; an observer must not change
// the model from inside ControlChanged.
#pragma once

namespace quarvel::platform::controls {

class Control;

enum class ChangeKind {
  kProperty,        // the control's own state: text, caption, colours, geometry, flags
  kItemAdded,       // an entry, row, node, column or panel was added at `index`
  kItemRemoved,     // the one at `index` (its index before removal) is gone
  kItemChanged,     // a property of the one at `index` changed (sub-items included)
  kItemsCleared,    // all entries, rows or nodes are gone
  kItemsReordered,  // the rows were sorted or one moved to its sorted place
  kColumnChanged,   // column `index` was added or changed (0: all columns were removed)
  kSelection,       // the selected entry, row or node changed; `index` is the new one or 0/-1
  kScrolled,        // the row or node at `index` was scrolled into view
  kDrawing,         // a picture box was drawn on
  kFormState,       // a form was loaded, shown, hidden or unloaded
};

// `index` is the collection's own numbering: ListIndex (from 0, -1 none) for
// combo entries; Index (from 1) for list rows, tree nodes, columns and panels.
struct ControlChange {
  ChangeKind kind = ChangeKind::kProperty;
  int index = 0;
};

class ControlObserver {
 public:
  virtual ~ControlObserver() = default;
  virtual void ControlChanged(Control& control, const ControlChange& change) = 0;
};

}  // namespace quarvel::platform::controls
