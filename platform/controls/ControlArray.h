// A control array: controls of one kind that share a name and differ by index
// (Text1(0) .. Text1(6)). The array owns its controls; indexes run from 0.
// An index outside is kErrIndexOutOfBounds.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/controls/ControlErrors.h"
#include "platform/controls/OwnedRange.h"

namespace quarvel::platform::controls {

template <class T>
class ControlArray {
 public:
  ControlArray(const std::string& name, int count) {
    for (int i = 0; i < count; ++i) controls_.push_back(std::make_unique<T>(name, i));
  }

  [[nodiscard]] T& operator()(int index) const {
    if (index < 0 || index >= Count()) ThrowControlError(kErrIndexOutOfBounds);
    return *controls_[index];
  }
  [[nodiscard]] int Count() const { return static_cast<int>(controls_.size()); }

  [[nodiscard]] OwnedIterator<T> begin() const { return OwnedIterator<T>(controls_.begin()); }
  [[nodiscard]] OwnedIterator<T> end() const { return OwnedIterator<T>(controls_.end()); }

 private:
  std::vector<std::unique_ptr<T>> controls_;
};

}  // namespace quarvel::platform::controls
