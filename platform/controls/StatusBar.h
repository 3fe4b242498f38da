// A status bar with panels addressed by key or by index (from 1). Each panel
// has a text and a width in twips; a spring panel takes the width the others
// leave (at least its own width). Left edges follow from the widths, from the
// bar's left edge. A key already there is kErrKeyNotUnique, a missing one
// kErrElementNotFound, an index outside kErrIndexOutOfBounds.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls/Control.h"
#include "platform/controls/OwnedRange.h"

namespace quarvel::platform::controls {

class StatusBar;

class Panel {
 public:
  Panel(StatusBar& owner, std::string key, std::string text, int width, bool spring);

  [[nodiscard]] int Index() const { return index_; }
  [[nodiscard]] const std::string& Key() const { return key_; }
  [[nodiscard]] const std::string& Text() const { return text_; }
  void SetText(std::string text);
  // The width as drawn: a spring panel's share, else its own width.
  [[nodiscard]] int Width() const;
  // The width as set; for a spring panel its minimum.
  [[nodiscard]] int MinWidth() const { return width_; }
  void SetWidth(int width);
  [[nodiscard]] bool Spring() const { return spring_; }
  [[nodiscard]] int Left() const;

 private:
  friend class PanelCollection;
  StatusBar& owner_;
  int index_ = 0;
  std::string key_;
  std::string text_;
  int width_;
  bool spring_;
};

class PanelCollection {
 public:
  explicit PanelCollection(StatusBar& owner) : owner_(owner) {}

  Panel& Add(std::string key, std::string text = "", int width = 1440, bool spring = false);
  [[nodiscard]] int Count() const { return static_cast<int>(panels_.size()); }
  [[nodiscard]] Panel& operator()(int index) const;
  [[nodiscard]] Panel& operator()(std::string_view key) const;

  [[nodiscard]] OwnedIterator<Panel> begin() const { return OwnedIterator<Panel>(panels_.begin()); }
  [[nodiscard]] OwnedIterator<Panel> end() const { return OwnedIterator<Panel>(panels_.end()); }

 private:
  StatusBar& owner_;
  std::vector<std::unique_ptr<Panel>> panels_;
  std::map<std::string, Panel*, std::less<>> keys_;
};

class StatusBar : public Control {
 public:
  explicit StatusBar(std::string name, int index = kNoIndex);

  [[nodiscard]] PanelCollection& Panels() { return panels_; }
  [[nodiscard]] const PanelCollection& Panels() const { return panels_; }

 private:
  friend class Panel;
  friend class PanelCollection;
  void Notify(ChangeKind kind, int index) { NotifyChanged(kind, index); }

  PanelCollection panels_{*this};
};

}  // namespace quarvel::platform::controls
