#include "platform/controls/qt/ComboBoxBinding.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <functional>

#include "platform/controls/ComboBox.h"
#include "platform/controls/qt/ColorMapping.h"
#include "platform/controls/qt/RenderContext.h"
#include "platform/controls/qt/TypedKey.h"

namespace quarvel::platform::controls::qt {

// A QComboBox that says when a person opens its list, before it opens.
class ModelComboBox : public QComboBox {
 public:
  using QComboBox::QComboBox;
  std::function<void()> onOpen;

  void showPopup() override {
    if (onOpen) onOpen();
    QComboBox::showPopup();
  }
};

ComboBoxBinding::ComboBoxBinding(ComboBox& combo, RenderContext& context)
    : ControlBinding(combo, context),
      combo_(combo),
      widget_(new ModelComboBox(context.ContainerWidget(combo))) {
  widget_->setObjectName(QString::fromStdString(combo.QualifiedName()));
  widget_->setEditable(combo.Style() == ComboStyle::kDropDownCombo);
  widget_->setInsertPolicy(QComboBox::NoInsert);
  widget_->setMaxVisibleItems(12);
  widget_->installEventFilter(this);
  if (QLineEdit* edit = widget_->lineEdit()) {
    widget_->setCompleter(nullptr);
    edit->installEventFilter(this);
    connect(edit, &QLineEdit::textEdited, this, [this] { PushText(); });
  }
  widget_->onOpen = [this] {
    if (!IsMirroring()) UserAction([this] { combo_.UserOpenDropDown(); });
  };
  connect(widget_, &QComboBox::activated, this,
          [this](int index) { UserAction([this, index] { combo_.UserSelect(index); }); });
}

// The widget outlives the binding by a moment; its callback must not reach back.
ComboBoxBinding::~ComboBoxBinding() { widget_->onOpen = nullptr; }

QWidget* ComboBoxBinding::Widget() const { return widget_; }

void ComboBoxBinding::Apply(const ControlChange& change) {
  Mirror mirror(*this);
  switch (change.kind) {
    case ChangeKind::kItemAdded:
      widget_->insertItem(change.index, QString::fromStdString(combo_.List(change.index)));
      break;
    case ChangeKind::kItemRemoved:
      widget_->removeItem(change.index);
      break;
    case ChangeKind::kItemsCleared:
      widget_->clear();
      break;
    case ChangeKind::kSelection:
      break;
    default:
      SyncAll();
      return;
  }
  // Qt moves or makes a selection of its own when entries come and go.
  ShowSelection();
}

void ComboBoxBinding::ShowEntries() {
  widget_->clear();
  for (int i = 0; i < combo_.ListCount(); ++i) {
    widget_->addItem(QString::fromStdString(combo_.List(i)));
  }
}

void ComboBoxBinding::ShowSelection() {
  if (widget_->currentIndex() != combo_.ListIndex()) widget_->setCurrentIndex(combo_.ListIndex());
  if (widget_->isEditable()) {
    const QString text = QString::fromStdString(combo_.Text());
    if (widget_->currentText() != text) widget_->setEditText(text);
  }
}

void ComboBoxBinding::SyncOwn() {
  if (widget_->count() != combo_.ListCount()) ShowEntries();
  for (int i = 0; i < combo_.ListCount(); ++i) {
    const QString entry = QString::fromStdString(combo_.List(i));
    if (widget_->itemText(i) != entry) widget_->setItemText(i, entry);
  }
  ShowSelection();
  SetTextColor(*widget_, combo_.ForeColor());
  SetBackgroundColor(*widget_, QPalette::Base, combo_.BackColor());
}

void ComboBoxBinding::SyncAfterUserAction() {
  Mirror mirror(*this);
  ShowSelection();
}

void ComboBoxBinding::PushText() {
  const std::string text = widget_->currentText().toStdString();
  if (text == combo_.Text()) return;
  UserAction([this, &text] { combo_.UserPaste(text); });
}

bool ComboBoxBinding::eventFilter(QObject* watched, QEvent* event) {
  if (IsMirroring()) return false;
  if (event->type() == QEvent::KeyPress) {
    const int typed = TypedKeyAscii(*static_cast<QKeyEvent*>(event), false);
    if (typed == 0) return false;
    if (!widget_->isEditable()) {
      const char32_t code = static_cast<char32_t>(typed);
      const std::string letter = QString::fromUcs4(&code, 1).toStdString();
      if (typed >= 32) UserAction([this, &letter] { combo_.UserType(letter); });
      return true;
    }
    int key = 0;
    UserAction([this, typed, &key] { key = combo_.UserPreviewKey(typed); });
    if (key == typed) return false;
    if (key != 0) {
      TypeInto(*widget_->lineEdit(), key);
      PushText();
    }
    return true;
  }
  if (event->type() == QEvent::FocusOut && watched == widget_) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
      UserAction([this] { combo_.UserLeave(); });
    }
  }
  return false;
}

}  // namespace quarvel::platform::controls::qt
