// A combo box: a QComboBox, editable for a drop-down combo (without Qt's
// completion, which would put text into the box that the model never got)
// and not editable for a drop-down list. The entries follow the model one
// by one; the selected entry and the text are the model's.
//
// A person's actions: choosing an entry (from the list or with the arrow
// keys) calls UserSelect, which raises Click; opening the list raises
// DropDown before it opens; leaving the box raises LostFocus. In an editable
// combo each typed key passes KeyPress first (UserPreviewKey) and the text
// that results goes to the model through UserPaste (one Change); in a
// drop-down list a typed letter goes to UserType, which picks the next entry
// that begins with it.
#pragma once

#include "platform/controls/qt/ControlBinding.h"

namespace quarvel::platform::controls {
class ComboBox;
}

namespace quarvel::platform::controls::qt {

class ModelComboBox;

class ComboBoxBinding : public ControlBinding {
 public:
  ComboBoxBinding(ComboBox& combo, RenderContext& context);
  ~ComboBoxBinding() override;
  [[nodiscard]] QWidget* Widget() const override;
  void Apply(const ControlChange& change) override;

 protected:
  void SyncOwn() override;
  void SyncAfterUserAction() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ShowEntries();
  void ShowSelection();
  void PushText();

  ComboBox& combo_;
  ModelComboBox* widget_;
};

}  // namespace quarvel::platform::controls::qt
