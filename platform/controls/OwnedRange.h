// Iteration over a collection that owns its elements through unique_ptr, as
// references: `for (ListItem& item : list.ListItems())`.
#pragma once

#include <memory>
#include <vector>

namespace quarvel::platform::controls {

template <class T>
class OwnedIterator {
 public:
  using Base = typename std::vector<std::unique_ptr<T>>::const_iterator;
  explicit OwnedIterator(Base base) : base_(base) {}
  T& operator*() const { return **base_; }
  T* operator->() const { return base_->get(); }
  OwnedIterator& operator++() {
    ++base_;
    return *this;
  }
  friend bool operator==(const OwnedIterator&, const OwnedIterator&) = default;

 private:
  Base base_;
};

}  // namespace quarvel::platform::controls
