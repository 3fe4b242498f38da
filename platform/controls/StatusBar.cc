#include "platform/controls/StatusBar.h"

#include <algorithm>

#include "platform/controls/ControlErrors.h"

namespace quarvel::platform::controls {

Panel::Panel(StatusBar& owner, std::string key, std::string text, int width, bool spring)
    : owner_(owner), key_(std::move(key)), text_(std::move(text)), width_(width), spring_(spring) {}

void Panel::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  owner_.Notify(ChangeKind::kItemChanged, index_);
}

void Panel::SetWidth(int width) {
  if (width < 0) ThrowControlError(kErrInvalidPropertyValue);
  if (width == width_) return;
  width_ = width;
  owner_.Notify(ChangeKind::kItemChanged, index_);
}

int Panel::Width() const {
  if (!spring_) return width_;
  int fixed = 0;
  int springs = 0;
  for (const Panel& panel : owner_.Panels()) {
    if (panel.spring_) {
      ++springs;
    } else {
      fixed += panel.width_;
    }
  }
  return std::max(width_, (owner_.Width() - fixed) / springs);
}

int Panel::Left() const {
  int left = 0;
  for (const Panel& panel : owner_.Panels()) {
    if (&panel == this) break;
    left += panel.Width();
  }
  return left;
}

Panel& PanelCollection::Add(std::string key, std::string text, int width, bool spring) {
  if (width < 0) ThrowControlError(kErrInvalidPropertyValue);
  if (!key.empty() && keys_.contains(key)) ThrowControlError(kErrKeyNotUnique);
  panels_.push_back(std::make_unique<Panel>(owner_, key, std::move(text), width, spring));
  Panel& panel = *panels_.back();
  panel.index_ = Count();
  if (!key.empty()) keys_.emplace(std::move(key), &panel);
  owner_.Notify(ChangeKind::kItemAdded, panel.index_);
  return panel;
}

Panel& PanelCollection::operator()(int index) const {
  if (index < 1 || index > Count()) ThrowControlError(kErrIndexOutOfBounds);
  return *panels_[index - 1];
}

Panel& PanelCollection::operator()(std::string_view key) const {
  auto it = keys_.find(key);
  if (it == keys_.end()) ThrowControlError(kErrElementNotFound);
  return *it->second;
}

StatusBar::StatusBar(std::string name, int index)
    : Control(std::move(name), index, ControlKind::kStatusBar) {}

}  // namespace quarvel::platform::controls
