// How a message box the program asks for looks in Qt: the icon, the buttons
// in the desktop's order, the default button (the first one when the asked
// default does not exist, as the desktop does) and the button that Escape or
// the close box stands for; and which answer each Qt button is. Pure
// functions, so the mapping is tested without showing a dialog.
#pragma once

#include <QMessageBox>
#include <vector>

#include "platform/controls/WindowServices.h"

namespace quarvel::platform::controls::qt {

struct MessageBoxLayout {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  std::vector<QMessageBox::StandardButton> buttons;
  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
  // Escape and the close box answer with this button. Where the desktop's
  // box could not be dismissed (Yes/No, Abort/Retry/Ignore) it is the
  // cautious answer: No, or Abort.
  QMessageBox::StandardButton escapeButton = QMessageBox::NoButton;
};

[[nodiscard]] MessageBoxLayout LayOutMessageBox(MsgBoxButtons buttons, MsgBoxIcon icon,
                                                MsgBoxDefault defaultButton);

// The answer a Qt button gives; an unknown button gives `fallback`.
[[nodiscard]] MsgBoxResult ResultOf(QMessageBox::StandardButton button, MsgBoxResult fallback);

}  // namespace quarvel::platform::controls::qt
