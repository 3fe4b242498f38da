// The main window's status bar: the status line ("statustext" panel), the
// status light (Picture2, over the "statuspict" panel) and the progress bar
// (Picture1, over the "progress" panel), and the busy/idle protocol every
// long operation follows: StartAction before, EndAction after.
//
// While busy the light shows the info-background colour and the line
// "Status: unknown.  Please wait..."; idle, AppStatus tells from the install
// button's caption and the rule list whether the sink can run (green) or not
// (red). A progress run shows the share of its steps done as a bar with a
// centred percentage, never below 0 % and never past 100 %.
//
// Reads and draws only the form's controls; the progress counter lives in
// the window state. Window thread only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/controls/WindowServices.h"
#include "setup/main/WindowState.h"

namespace quarvel::setup {

class InstallForm;

inline constexpr const char* kStatusBusy = "Status: unknown.  Please wait...";
inline constexpr const char* kStatusNotInstalled =
    "Status: stopped. Reason: COM+ object is not installed.";
inline constexpr const char* kStatusNoRules = "Status: stopped. Reason: no rules.";
inline constexpr const char* kStatusStarted = "Status: started";

class StatusDisplay {
 public:
  StatusDisplay(InstallForm& form, platform::controls::WindowServices& services,
                WindowState& window);

  // Start-up: the progress bar's and the status light's drawing settings,
  // each laid over its panel; the light is shown.
  void PreparePictures();

  // Busy: hourglass pointer, light in the info-background colour, busy text.
  void StartAction();
  // Idle again: recomputes the status if the light still shows busy, then
  // the default pointer.
  void EndAction();
  // The status line and light from the install button's caption and the rules.
  void AppStatus();
  // The "statustext" panel's text, for an action that wants its own words
  // while it waits (EndAction recomputes the status afterwards).
  void SetStatusText(const std::string& text);

  // A progress run: counter to 0, `steps` as the bar's full scale (when
  // positive), bar shown and drawn at 0 %.
  void BeginProgress(long steps);
  // Advances the bar by `FileBytes` steps and draws it with its percentage
  // (nearest whole number, halves to even: 1/8 is 12 %, 3/8 is 38 %).
  void UpdateStatus(std::int32_t FileBytes);
  // Ends the run: the bar is cleared, refreshed and hidden.
  void EndProgress();

 private:
  void DrawProgress();

  InstallForm& form_;
  platform::controls::WindowServices& services_;
  WindowState& window_;
};

// counter * 100 / scale, rounded to the nearest whole number with halves to
// the even neighbour; 100 when the scale is not positive.
[[nodiscard]] int ProgressPercent(double counter, double scale);

}  // namespace quarvel::setup
