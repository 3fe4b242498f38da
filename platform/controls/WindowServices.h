// What the windows ask of the desktop beyond their controls: message boxes,
// the mouse pointer, letting pending window messages run, the clock, opening
// a web address, running a dialog modally and the screen's measures. The
// program's windows call these through this interface, so tests script and
// observe them (ScriptedWindowServices) and the Qt renderer answers them for
// real. Window thread only.
#pragma once

#include <optional>
#include <string>

namespace quarvel::platform::controls {

class Control;
class Form;

enum class MsgBoxButtons {
  kOkOnly,
  kOkCancel,
  kAbortRetryIgnore,
  kYesNoCancel,
  kYesNo,
  kRetryCancel
};
enum class MsgBoxIcon { kNone, kCritical, kQuestion, kExclamation, kInformation };
enum class MsgBoxDefault { kButton1, kButton2, kButton3 };
enum class MsgBoxResult { kOk, kCancel, kAbort, kRetry, kIgnore, kYes, kNo };

enum class MousePointer { kDefault, kHourglass };

// Local time as the clock reads it; month and day from 1.
struct LocalDateTime {
  int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
  friend bool operator==(const LocalDateTime&, const LocalDateTime&) = default;
};

// A window's rectangle on the screen, in pixels (right and bottom exclusive).
struct ScreenRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

class WindowServices {
 public:
  virtual ~WindowServices() = default;

  // Shows a message box and returns the button chosen.
  virtual MsgBoxResult MessageBox(const std::string& text, MsgBoxButtons buttons, MsgBoxIcon icon,
                                  MsgBoxDefault defaultButton, const std::string& caption) = 0;
  // The busy (hourglass) or default pointer over the program's windows.
  virtual void SetMousePointer(MousePointer pointer) = 0;
  // Repaints and runs timers, but never a person's input handler: the caller
  // may be walking a list that a click would clear.
  virtual void DoEvents() = 0;
  virtual LocalDateTime Now() = 0;
  // Opens `url` with the desktop's handler (the browser).
  virtual void OpenWebAddress(const std::string& url) = 0;
  // Shows `form` (already made visible by Form::Show) as a modal dialog and
  // returns once it is hidden or unloaded.
  virtual void RunModal(Form& form) = 0;
  // Where `control` is on the screen, when it is drawn at all.
  virtual std::optional<ScreenRect> WindowRect(const Control& control) = 0;
  virtual int TwipsPerPixelX() = 0;
  virtual int TwipsPerPixelY() = 0;
};

}  // namespace quarvel::platform::controls
