// Keys as the desktop's KeyPress event reports them: the character code a
// key press types (a printable character, Backspace 8, or Return 13 where a
// line can start), and putting such a code into a text widget at its caret,
// as if the person had typed it. Shortcuts (Ctrl, Alt, Meta) and navigation
// keys type nothing. Window thread only.
#pragma once

class QKeyEvent;
class QLineEdit;
class QPlainTextEdit;

namespace quarvel::platform::controls::qt {

// The code the key types, or 0 when it types nothing. Return counts only
// when `returnStartsLine`.
[[nodiscard]] int TypedKeyAscii(const QKeyEvent& event, bool returnStartsLine);

void TypeInto(QLineEdit& edit, int keyAscii);
void TypeInto(QPlainTextEdit& edit, int keyAscii);

}  // namespace quarvel::platform::controls::qt
