#include "platform/controls/qt/ControlBinding.h"

#include <QWidget>

#include "platform/controls/qt/RenderContext.h"
#include "platform/controls/qt/TwipsScale.h"

namespace quarvel::platform::controls::qt {

ControlBinding::ControlBinding(Control& control, RenderContext& context)
    : control_(control), context_(context) {}

ControlBinding::~ControlBinding() = default;

ControlBinding::Mirror::Mirror(ControlBinding& binding)
    : binding_(binding), wasBlocked_(binding.Widget()->blockSignals(true)) {
  ++binding_.mirroring_;
}

ControlBinding::Mirror::~Mirror() {
  binding_.Widget()->blockSignals(wasBlocked_);
  --binding_.mirroring_;
}

void ControlBinding::SyncAll() {
  Mirror mirror(*this);
  SyncCommon();
  SyncOwn();
}

void ControlBinding::Apply(const ControlChange&) { SyncAll(); }

void ControlBinding::SyncCommon() {
  QWidget& widget = *Widget();
  widget.setGeometry(context_.Scale().ToPixels(control_.Left(), control_.Top(), control_.Width(),
                                               control_.Height()));
  widget.setVisible(control_.Visible());
  widget.setEnabled(control_.Enabled());
  widget.setToolTip(QString::fromStdString(control_.ToolTipText()));
  QFont font = widget.font();
  if (font.bold() != control_.FontBold()) {
    font.setBold(control_.FontBold());
    widget.setFont(font);
  }
}

bool ControlBinding::UserAction(const std::function<void()>& action) {
  if (IsMirroring()) return false;
  try {
    action();
  } catch (...) {
    context_.ReportError(std::current_exception());
  }
  SyncAfterUserAction();
  return true;
}

}  // namespace quarvel::platform::controls::qt
