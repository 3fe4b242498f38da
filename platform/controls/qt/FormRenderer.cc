#include "platform/controls/qt/FormRenderer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <iostream>

#include "platform/controls/ComboBox.h"
#include "platform/controls/CommandButton.h"
#include "platform/controls/Form.h"
#include "platform/controls/Frame.h"
#include "platform/controls/Label.h"
#include "platform/controls/ListView.h"
#include "platform/controls/OptionButton.h"
#include "platform/controls/PictureBox.h"
#include "platform/controls/StatusBar.h"
#include "platform/controls/TextBox.h"
#include "platform/controls/TreeView.h"
#include "platform/controls/qt/CaptionBindings.h"
#include "platform/controls/qt/ComboBoxBinding.h"
#include "platform/controls/qt/ListViewBinding.h"
#include "platform/controls/qt/PictureBoxBinding.h"
#include "platform/controls/qt/StatusBarBinding.h"
#include "platform/controls/qt/TextBoxBinding.h"
#include "platform/controls/qt/TreeViewBinding.h"
#include "platform/controls/qt/WindowFont.h"

namespace quarvel::platform::controls::qt {

// The top-level window of a form: it hands its close box and its Return and
// Escape keys to the renderer instead of acting on them.
class FormWindow : public QWidget {
 public:
  std::function<void()> onClose;
  std::function<bool(bool defaultButton)> onButtonKey;

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    if (onClose) onClose();
  }

  void keyPressEvent(QKeyEvent* event) override {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const int key = event->key();
    if (plain && onButtonKey && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
      if (onButtonKey(true)) return;
    } else if (plain && onButtonKey && key == Qt::Key_Escape) {
      if (onButtonKey(false)) return;
    }
    QWidget::keyPressEvent(event);
  }
};

namespace {

std::unique_ptr<ControlBinding> MakeBinding(Control& control, RenderContext& context) {
  switch (control.Kind()) {
    case ControlKind::kFrame:
      return std::make_unique<FrameBinding>(static_cast<Frame&>(control), context);
    case ControlKind::kLabel:
      return std::make_unique<LabelBinding>(static_cast<Label&>(control), context);
    case ControlKind::kTextBox:
      return std::make_unique<TextBoxBinding>(static_cast<TextBox&>(control), context);
    case ControlKind::kCommandButton:
      return std::make_unique<CommandButtonBinding>(static_cast<CommandButton&>(control), context);
    case ControlKind::kOptionButton:
      return std::make_unique<OptionButtonBinding>(static_cast<OptionButton&>(control), context);
    case ControlKind::kComboBox:
      return std::make_unique<ComboBoxBinding>(static_cast<ComboBox&>(control), context);
    case ControlKind::kListView:
      return std::make_unique<ListViewBinding>(static_cast<ListView&>(control), context);
    case ControlKind::kTreeView:
      return std::make_unique<TreeViewBinding>(static_cast<TreeView&>(control), context);
    case ControlKind::kStatusBar:
      return std::make_unique<StatusBarBinding>(static_cast<StatusBar&>(control), context);
    case ControlKind::kPictureBox:
      return std::make_unique<PictureBoxBinding>(static_cast<PictureBox&>(control), context);
    case ControlKind::kForm:
    case ControlKind::kImageList:
      break;
  }
  return nullptr;
}

}  // namespace

FormRenderer::FormRenderer(Form& form, const IconLibrary& icons, ErrorReporter reportError)
    : form_(form),
      icons_(icons),
      reportError_(std::move(reportError)),
      scale_(TwipsScale::ForScreen(nullptr)),
      font_(WindowFont()),
      window_(std::make_unique<FormWindow>()) {
  window_->setObjectName(QString::fromStdString(form.Name()));
  window_->setFont(font_);
  window_->onClose = [this] {
    try {
      form_.UserClose();
    } catch (...) {
      ReportError(std::current_exception());
    }
    ShowWindowState();
  };
  window_->onButtonKey = [this](bool defaultButton) { return ClickButton(defaultButton); };
  for (Control* control : form.AllControls()) Bind(*control);
  for (const auto& binding : bindings_) binding->SyncAll();
  ShowForm();
  form_.SetObserver(this);
  ShowWindowState();
}

FormRenderer::~FormRenderer() {
  if (form_.Observer() == this) form_.SetObserver(nullptr);
  for (const Wait& wait : waits_) wait.loop->exit();
  byControl_.clear();
  bindings_.clear();  // first, so no widget torn down below reaches the model
  window_.reset();
}

QWidget* FormRenderer::Window() const { return window_.get(); }

ControlBinding* FormRenderer::BindingFor(const Control& control) const {
  auto it = byControl_.find(&control);
  return it == byControl_.end() ? nullptr : it->second;
}

QWidget* FormRenderer::WidgetFor(const Control& control) const {
  if (&control == &form_) return window_.get();
  ControlBinding* binding = BindingFor(control);
  return binding != nullptr ? binding->Widget() : nullptr;
}

QWidget* FormRenderer::ContainerWidget(const Control& control) const {
  const Control* parent = control.Parent();
  QWidget* widget = parent != nullptr ? WidgetFor(*parent) : nullptr;
  return widget != nullptr ? widget : window_.get();
}

void FormRenderer::ReportError(const std::exception_ptr& error) {
  if (reportError_) {
    reportError_(error);
    return;
  }
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& e) {
    std::cerr << "Unhandled error in " << form_.Name() << ": " << e.what() << '\n';
  } catch (...) {
    std::cerr << "Unhandled error in " << form_.Name() << '\n';
  }
}

void FormRenderer::Bind(Control& control) {
  std::unique_ptr<ControlBinding> binding = MakeBinding(control, *this);
  if (binding == nullptr) return;
  byControl_.emplace(&control, binding.get());
  bindings_.push_back(std::move(binding));
}

void FormRenderer::ShowForm() {
  window_->setWindowTitle(QString::fromStdString(form_.Caption()));
  window_->setFixedSize(scale_.ToPixels(form_.Width()), scale_.ToPixels(form_.Height()));
}

void FormRenderer::Place() {
  const bool positioned = form_.Left() != 0 || form_.Top() != 0;
  const QPoint wanted(scale_.ToPixels(form_.Left()), scale_.ToPixels(form_.Top()));
  if (positioned) {
    // Where the program put the form, each time it puts it somewhere else;
    // otherwise the window stays where the person left it.
    if (placedAt_ == wanted) return;
    window_->move(wanted);
  } else {
    if (placedAt_) return;
    // Centred over the window it belongs to, or on the screen.
    QWidget* owner = QApplication::activeWindow();
    QRect area;
    if (owner != nullptr && owner != window_.get()) {
      area = owner->frameGeometry();
    } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
      area = screen->availableGeometry();
    }
    if (area.isValid()) {
      window_->move(area.center() - QPoint(window_->width() / 2, window_->height() / 2));
    }
  }
  placedAt_ = wanted;
  KeepOnScreen();
}

void FormRenderer::KeepOnScreen() {
  const QRect frame = window_->frameGeometry();
  QScreen* screen = QGuiApplication::screenAt(frame.center());
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  const int x = std::clamp(frame.left(), area.left(),
                           std::max(area.left(), area.left() + area.width() - frame.width()));
  const int y = std::clamp(frame.top(), area.top(),
                           std::max(area.top(), area.top() + area.height() - frame.height()));
  if (x != frame.left() || y != frame.top()) window_->move(x, y);
}

void FormRenderer::ShowWindowState() {
  const bool shown = form_.IsLoaded() && form_.Visible();
  const Qt::WindowModality modality = form_.IsShownModally() ? Qt::ApplicationModal : Qt::NonModal;
  if (window_->windowModality() != modality) {
    // Qt takes a new modality only while the window is hidden.
    window_->hide();
    if (modality == Qt::ApplicationModal) {
      QWidget* owner = QApplication::activeWindow();
      window_->setWindowFlag(Qt::Dialog, true);
      if (owner != nullptr && owner != window_.get() && owner->windowHandle() != nullptr) {
        window_->winId();
        window_->windowHandle()->setTransientParent(owner->windowHandle());
      }
    }
    window_->setWindowModality(modality);
  }
  if (shown && !window_->isVisible()) {
    Place();
    window_->show();
    window_->activateWindow();
  } else if (!shown && window_->isVisible()) {
    window_->hide();
  }
}

bool FormRenderer::ClickButton(bool defaultButton) {
  for (Control* control : form_.AllControls()) {
    if (control->Kind() != ControlKind::kCommandButton) continue;
    auto* button = static_cast<CommandButton*>(control);
    if (!(defaultButton ? button->Default() : button->Cancel())) continue;
    if (auto* widget = qobject_cast<QPushButton*>(WidgetFor(*button))) {
      widget->click();  // a disabled or hidden button does nothing
      return true;
    }
  }
  return false;
}

void FormRenderer::ControlChanged(Control& control, const ControlChange& change) {
  try {
    if (&control == &form_) {
      ShowForm();
      ShowWindowState();
      EndFinishedWaits();
      return;
    }
    if (ControlBinding* binding = BindingFor(control)) binding->Apply(change);
  } catch (...) {
    ReportError(std::current_exception());
  }
}

void FormRenderer::RunUntilHidden() { RunLoop(true); }
void FormRenderer::RunUntilUnloaded() { RunLoop(false); }

void FormRenderer::RunLoop(bool untilHidden) {
  const bool done = untilHidden ? !(form_.IsLoaded() && form_.Visible()) : !form_.IsLoaded();
  if (done) return;
  QEventLoop loop;
  waits_.push_back({&loop, untilHidden});
  loop.exec(QEventLoop::DialogExec);
  waits_.erase(std::find_if(waits_.begin(), waits_.end(),
                            [&loop](const Wait& wait) { return wait.loop == &loop; }));
}

void FormRenderer::EndFinishedWaits() {
  for (const Wait& wait : waits_) {
    const bool done = wait.untilHidden ? !(form_.IsLoaded() && form_.Visible()) : !form_.IsLoaded();
    if (done) wait.loop->exit();
  }
}

}  // namespace quarvel::platform::controls::qt
