#include "platform/controls/qt/TypedKey.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>

#include "platform/controls/TextBox.h"

namespace quarvel::platform::controls::qt {

namespace {

QString Character(int keyAscii) {
  const char32_t code = static_cast<char32_t>(keyAscii);
  return QString::fromUcs4(&code, 1);
}

}  // namespace

int TypedKeyAscii(const QKeyEvent& event, bool returnStartsLine) {
  if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return 0;
  switch (event.key()) {
    case Qt::Key_Backspace:
      return kKeyBackspace;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return returnStartsLine ? kKeyReturn : 0;
    default:
      break;
  }
  const QList<uint> codes = event.text().toUcs4();
  if (codes.size() != 1 || codes[0] < 32 || codes[0] == 127) return 0;
  return static_cast<int>(codes[0]);
}

void TypeInto(QLineEdit& edit, int keyAscii) {
  if (keyAscii == kKeyBackspace) {
    edit.backspace();
  } else if (keyAscii >= 32) {
    edit.insert(Character(keyAscii));
  }
}

void TypeInto(QPlainTextEdit& edit, int keyAscii) {
  QTextCursor cursor = edit.textCursor();
  if (keyAscii == kKeyBackspace) {
    cursor.deletePreviousChar();
  } else if (keyAscii == kKeyReturn) {
    cursor.insertText(QStringLiteral("\n"));
  } else if (keyAscii >= 32) {
    cursor.insertText(Character(keyAscii));
  }
  edit.setTextCursor(cursor);
}

}  // namespace quarvel::platform::controls::qt
