#include "platform/controls/TreeView.h"

#include <algorithm>

#include "platform/controls/ControlErrors.h"

namespace quarvel::platform::controls {

// ---------------------------------------------------------------------------
// Node

Node::Node(TreeView& owner, Node* parent, std::string key, std::string text, std::string image)
    : owner_(owner),
      parent_(parent),
      key_(std::move(key)),
      text_(std::move(text)),
      image_(std::move(image)) {}

void Node::Changed() { owner_.Notify(ChangeKind::kItemChanged, index_); }

void Node::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  Changed();
}

void Node::SetImage(std::string key) {
  if (key == image_) return;
  image_ = std::move(key);
  Changed();
}

void Node::SetBold(bool bold) {
  if (bold == bold_) return;
  bold_ = bold;
  Changed();
}

void Node::SetExpanded(bool expanded) {
  if (expanded == expanded_) return;
  expanded_ = expanded;
  Changed();
}

void Node::SetSelected(bool selected) {
  if (selected) {
    owner_.SelectNode(this);
  } else if (selected_) {
    owner_.SelectNode(nullptr);
  }
}

void Node::EnsureVisible() {
  for (Node* above = parent_; above != nullptr; above = above->parent_) above->SetExpanded(true);
  owner_.scrolledTo_ = this;
  owner_.Notify(ChangeKind::kScrolled, index_);
}

// ---------------------------------------------------------------------------
// NodeCollection

Node& NodeCollection::Add(std::string_view parentKey, std::string key, std::string text,
                          std::string image) {
  Node* parent = nullptr;
  if (!parentKey.empty()) {
    parent = Find(parentKey);
    if (parent == nullptr) ThrowControlError(kErrElementNotFound);
  }
  if (!key.empty() && keys_.contains(key)) ThrowControlError(kErrKeyNotUnique);
  nodes_.push_back(std::make_unique<Node>(owner_, parent, key, std::move(text), std::move(image)));
  Node& node = *nodes_.back();
  node.index_ = Count();
  if (!key.empty()) keys_.emplace(std::move(key), &node);
  (parent != nullptr ? parent->children_ : owner_.roots_).push_back(&node);
  owner_.Notify(ChangeKind::kItemAdded, node.index_);
  return node;
}

Node& NodeCollection::operator()(int index) const {
  if (index < 1 || index > Count()) ThrowControlError(kErrIndexOutOfBounds);
  return *nodes_[index - 1];
}

Node& NodeCollection::operator()(std::string_view key) const {
  Node* node = Find(key);
  if (node == nullptr) ThrowControlError(kErrElementNotFound);
  return *node;
}

Node* NodeCollection::Find(std::string_view key) const {
  auto it = keys_.find(key);
  return it == keys_.end() ? nullptr : it->second;
}

void NodeCollection::Remove(int index) { RemoveNode((*this)(index)); }
void NodeCollection::Remove(std::string_view key) { RemoveNode((*this)(key)); }

void NodeCollection::RemoveNode(Node& node) {
  // The children first, so every removal reports a node that is still numbered.
  while (!node.children_.empty()) RemoveNode(*node.children_.back());
  auto& siblings = node.parent_ != nullptr ? node.parent_->children_ : owner_.roots_;
  siblings.erase(std::find(siblings.begin(), siblings.end(), &node));
  owner_.Forget(node);
  if (!node.key_.empty()) keys_.erase(node.key_);
  const int index = node.index_;
  nodes_.erase(nodes_.begin() + (index - 1));
  Renumber();
  owner_.Notify(ChangeKind::kItemRemoved, index);
}

void NodeCollection::Clear() {
  for (auto& node : nodes_) owner_.Forget(*node);
  nodes_.clear();
  keys_.clear();
  owner_.roots_.clear();
  owner_.Notify(ChangeKind::kItemsCleared);
}

void NodeCollection::Renumber() {
  for (std::size_t i = 0; i < nodes_.size(); ++i) nodes_[i]->index_ = static_cast<int>(i) + 1;
}

// ---------------------------------------------------------------------------
// TreeView

TreeView::TreeView(std::string name, int index)
    : Control(std::move(name), index, ControlKind::kTreeView) {
  SetBackColor(Color::System(SystemColor::kWindowBackground));
}

void TreeView::SetImages(ImageList* images) { Assign(images_, images); }
void TreeView::SetHideSelection(bool hideSelection) { Assign(hideSelection_, hideSelection); }

void TreeView::SetSelectedItem(Node* node) {
  if (node != nullptr && &node->owner_ != this) ThrowControlError(kErrInvalidCall);
  SelectNode(node);
}

void TreeView::SelectNode(Node* node) {
  if (node == selected_) return;
  if (selected_ != nullptr) {
    selected_->selected_ = false;
    selected_->Changed();
  }
  selected_ = node;
  if (node != nullptr) {
    node->selected_ = true;
    node->Changed();
  }
  NotifyChanged(ChangeKind::kSelection, node == nullptr ? 0 : node->index_);
}

void TreeView::Forget(Node& node) {
  if (selected_ == &node) {
    selected_ = nullptr;
    NotifyChanged(ChangeKind::kSelection, 0);
  }
  if (scrolledTo_ == &node) scrolledTo_ = nullptr;
}

bool TreeView::UserClickNode(Node& node) {
  if (!AcceptsUserInput() || &node.owner_ != this) return false;
  SelectNode(&node);
  RaiseEvent(OnNodeClick, node);
  return true;
}

bool TreeView::UserSetExpanded(Node& node, bool expanded) {
  if (!AcceptsUserInput() || &node.owner_ != this) return false;
  node.SetExpanded(expanded);
  return true;
}

}  // namespace quarvel::platform::controls
