// A window: its caption, the controls it holds (by name and index), its
// life cycle with the events Load, Activate, Deactivate, QueryUnload and
// Unload, and modeless or modal Show.
//
// A form class (InstallForm, frmAddEdit) derives from Form, owns its
// controls as members and adds them to itself or to its frames when it is
// built. The program registers the window services and, when drawn, the
// renderer registers the observer; neither is owned.
//
// Life cycle: Load raises Load once until the form is unloaded. Show loads if
// needed, makes the form visible and activates it; a modal Show then hands
// the form to WindowServices::RunModal and returns when the form is hidden or
// unloaded. Unload asks QueryUnload (which may cancel), raises Unload and
// leaves the form hidden and not loaded; its controls keep their state.
// Visible is what Show and Hide leave; set it through them, not SetVisible.
//
// Failures: a modal Show without window services is kErrInvalidCall, of a
// form that is already visible kErrFormAlreadyDisplayed. Window thread only.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls/Container.h"

namespace quarvel::platform::controls {

class WindowServices;

// Why a form is being unloaded, as QueryUnload is told.
enum class UnloadMode {
  kCloseBox = 0,  // the person closed the window
  kCode = 1,      // the program unloads it
};

enum class ShowMode { kModeless, kModal };

using QueryUnloadEvent = std::function<void(bool& cancel, UnloadMode mode)>;

class Form : public Container {
 public:
  explicit Form(std::string name);
  ~Form() override;

  [[nodiscard]] const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);

  // Every control on the form, frames' contents included, in the order added.
  [[nodiscard]] const std::vector<Control*>& AllControls() const { return all_; }
  // The control named so (and with that index), or null.
  [[nodiscard]] Control* FindControl(std::string_view name, int index = kNoIndex) const;

  void SetObserver(ControlObserver* observer) { observer_ = observer; }
  [[nodiscard]] ControlObserver* Observer() const { return observer_; }
  void SetServices(WindowServices* services) { services_ = services; }
  [[nodiscard]] WindowServices* Services() const { return services_; }

  [[nodiscard]] bool IsLoaded() const { return loaded_; }
  [[nodiscard]] bool IsActive() const { return active_; }
  [[nodiscard]] bool IsShownModally() const { return modal_; }

  void Load();
  // `owner` (the calling window) is deactivated while a modal form runs and
  // activated again when it returns, as the desktop does.
  void Show(ShowMode mode = ShowMode::kModeless, Form* owner = nullptr);
  void Hide();
  // Returns false when QueryUnload cancelled; true when unloaded or not loaded.
  bool Unload(UnloadMode mode = UnloadMode::kCode);

  // A person closes the window with its close box.
  bool UserClose() { return Unload(UnloadMode::kCloseBox); }
  // The window gains or loses the desktop's activation (renderer, tests).
  void UserActivate();
  void UserDeactivate();

  Event OnLoad;
  Event OnActivate;
  Event OnDeactivate;
  QueryUnloadEvent OnQueryUnload;
  Event OnUnload;

 private:
  friend class Container;
  friend class Control;
  void Register(Control& control);
  void Forget(Control& control);

  std::string caption_;
  std::vector<Control*> all_;
  ControlObserver* observer_ = nullptr;
  WindowServices* services_ = nullptr;
  bool loaded_ = false;
  bool active_ = false;
  bool modal_ = false;
};

}  // namespace quarvel::platform::controls
