// A status bar: a widget that draws the model's panels side by side, each
// a sunken box at its left edge and width (twips) with its text, elided when
// it does not fit. Controls laid over a panel (the progress bar, the status
// light) are separate widgets stacked above it. A panel's change repaints the
// bar; the bar answers no clicks.
#pragma once

#include "platform/controls/qt/ControlBinding.h"

namespace quarvel::platform::controls {
class StatusBar;
}

namespace quarvel::platform::controls::qt {

class StatusBarWidget;

class StatusBarBinding : public ControlBinding {
 public:
  StatusBarBinding(StatusBar& bar, RenderContext& context);
  [[nodiscard]] QWidget* Widget() const override;
  void Apply(const ControlChange& change) override;

 protected:
  void SyncOwn() override;

 private:
  StatusBar& bar_;
  StatusBarWidget* widget_;
};

}  // namespace quarvel::platform::controls::qt
