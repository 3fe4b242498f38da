#include "setup/main/StatusDisplay.h"

#include <algorithm>
#include <cmath>

#include "setup/main/InstallForm.h"

namespace quarvel::setup {

using namespace platform::controls;

namespace {

const Color kBusyLight = Color::System(SystemColor::kInfoBackground);

// Lays `picture` over `panel` of the status bar: the panel's left edge and
// width, 40 twips below the bar's top edge, within the bar's height.
void LayOver(PictureBox& picture, const StatusBar& bar, const Panel& panel) {
  constexpr int kInset = 40;
  picture.Move(bar.Left() + panel.Left(), bar.Top() + kInset, panel.Width(),
               std::max(0, bar.Height() - kInset));
}

}  // namespace

int ProgressPercent(double counter, double scale) {
  if (!(scale > 0)) return 100;
  const double exact = std::clamp(counter, 0.0, scale) * 100.0 / scale;
  const double below = std::floor(exact);
  const double fraction = exact - below;
  double rounded = below;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0)) rounded = below + 1;
  return static_cast<int>(rounded);
}

StatusDisplay::StatusDisplay(InstallForm& form, WindowServices& services, WindowState& window)
    : form_(form), services_(services), window_(window) {}

void StatusDisplay::PreparePictures() {
  PictureBox& bar = form_.Picture1;
  bar.SetFontBold(true);
  bar.SetAutoRedraw(true);
  bar.SetBackColor(kWhite);
  bar.SetDrawMode(PictureDrawMode::kNotXorPen);
  bar.SetFillStyle(PictureFillStyle::kSolid);
  bar.SetForeColor(kBlue);
  LayOver(bar, form_.StatusBar1, form_.StatusBar1.Panels()("progress"));

  PictureBox& light = form_.Picture2;
  light.SetFontBold(true);
  light.SetAutoRedraw(true);
  light.SetBackColor(kBusyLight);
  light.SetDrawMode(PictureDrawMode::kNotXorPen);
  light.SetFillStyle(PictureFillStyle::kSolid);
  LayOver(light, form_.StatusBar1, form_.StatusBar1.Panels()("statuspict"));
  light.SetVisible(true);
}

void StatusDisplay::StartAction() {
  services_.SetMousePointer(MousePointer::kHourglass);
  form_.Picture2.SetBackColor(kBusyLight);
  SetStatusText(kStatusBusy);
}

void StatusDisplay::EndAction() {
  if (form_.Picture2.BackColor() == kBusyLight) AppStatus();
  services_.SetMousePointer(MousePointer::kDefault);
}

void StatusDisplay::AppStatus() {
  if (form_.btnInstall.Caption() == "Install") {
    SetStatusText(kStatusNotInstalled);
    form_.Picture2.SetBackColor(kRed);
  } else if (form_.ListView2.ListItems().Count() == 0) {
    SetStatusText(kStatusNoRules);
    form_.Picture2.SetBackColor(kRed);
  } else {
    SetStatusText(kStatusStarted);
    form_.Picture2.SetBackColor(kGreen);
  }
}

void StatusDisplay::SetStatusText(const std::string& text) {
  form_.StatusBar1.Panels()("statustext").SetText(text);
}

void StatusDisplay::BeginProgress(long steps) {
  window_.progressCounter = 0;
  if (steps > 0) form_.Picture1.SetScaleWidth(static_cast<double>(steps));
  form_.Picture1.SetVisible(true);
  DrawProgress();
}

void StatusDisplay::UpdateStatus(std::int32_t FileBytes) {
  const double scale = form_.Picture1.ScaleWidth();
  // Wide arithmetic: a large step must not wrap the counter around.
  const std::int64_t counter =
      static_cast<std::int64_t>(window_.progressCounter) + static_cast<std::int64_t>(FileBytes);
  const double limit = scale > 0 ? std::floor(scale) : 0;
  window_.progressCounter =
      static_cast<std::int32_t>(std::clamp(static_cast<double>(counter), 0.0, limit));
  DrawProgress();
}

void StatusDisplay::DrawProgress() {
  PictureBox& bar = form_.Picture1;
  bar.Cls();
  bar.PrintCentred(std::to_string(ProgressPercent(window_.progressCounter, bar.ScaleWidth())) +
                   "%");
  bar.FillFromLeft(window_.progressCounter);
  bar.Refresh();
}

void StatusDisplay::EndProgress() {
  form_.Picture1.Cls();
  form_.Picture1.Refresh();
  form_.Picture1.SetVisible(false);
}

}  // namespace quarvel::setup
