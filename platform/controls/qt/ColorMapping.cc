#include "platform/controls/qt/ColorMapping.h"

#include <QApplication>
#include <QWidget>

namespace quarvel::platform::controls::qt {

QColor ToQColor(Color color, const QPalette& palette) {
  if (!color.IsSystem()) return QColor(color.Red(), color.Green(), color.Blue());
  switch (color.SystemColorName()) {
    case SystemColor::kInfoBackground:
      return palette.color(QPalette::ToolTipBase);
    case SystemColor::kInactiveBorder:
      return palette.color(QPalette::Window);
    case SystemColor::kWindowBackground:
      return palette.color(QPalette::Base);
    case SystemColor::kButtonFace:
      return palette.color(QPalette::Button);
    case SystemColor::kWindowText:
      return palette.color(QPalette::Text);
  }
  return palette.color(QPalette::Text);
}

void SetTextColor(QWidget& widget, Color color) {
  QPalette palette = widget.palette();
  const QColor text = ToQColor(color, QApplication::palette());
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
      palette.setColor(group, role, text);
    }
  }
  widget.setPalette(palette);
}

void SetBackgroundColor(QWidget& widget, QPalette::ColorRole role, Color color) {
  QPalette palette = widget.palette();
  const QColor background = ToQColor(color, QApplication::palette());
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, role, background);
  }
  widget.setPalette(palette);
}

}  // namespace quarvel::platform::controls::qt
