// A tree view: nodes with keys, texts, images and bold state, in a hierarchy.
//
// Nodes are numbered from 1 in the order added. A node is added at the top
// or as the last child of the node with a given key; a key already there is
// kErrKeyNotUnique, a missing parent or key kErrElementNotFound, an index
// outside the collection kErrIndexOutOfBounds. Removing a node removes the
// nodes below it. Setting Selected or Expanded from code raises nothing; a
// person's click on a node selects it and raises NodeClick once.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/controls/Control.h"
#include "platform/controls/Node.h"
#include "platform/controls/OwnedRange.h"

namespace quarvel::platform::controls {

class ImageList;

class NodeCollection {
 public:
  explicit NodeCollection(TreeView& owner) : owner_(owner) {}

  // `parentKey` "" adds at the top.
  Node& Add(std::string_view parentKey, std::string key, std::string text, std::string image = "");
  [[nodiscard]] int Count() const { return static_cast<int>(nodes_.size()); }
  [[nodiscard]] Node& operator()(int index) const;
  [[nodiscard]] Node& operator()(std::string_view key) const;
  // The node with this key, or null.
  [[nodiscard]] Node* Find(std::string_view key) const;
  void Remove(int index);
  void Remove(std::string_view key);
  void Clear();

  // In the order added.
  [[nodiscard]] OwnedIterator<Node> begin() const { return OwnedIterator<Node>(nodes_.begin()); }
  [[nodiscard]] OwnedIterator<Node> end() const { return OwnedIterator<Node>(nodes_.end()); }

 private:
  void RemoveNode(Node& node);
  void Renumber();

  TreeView& owner_;
  std::vector<std::unique_ptr<Node>> nodes_;
  std::map<std::string, Node*, std::less<>> keys_;
};

class TreeView : public Control {
 public:
  explicit TreeView(std::string name, int index = kNoIndex);

  [[nodiscard]] NodeCollection& Nodes() { return nodes_; }
  [[nodiscard]] const NodeCollection& Nodes() const { return nodes_; }
  // The top-level nodes in display order.
  [[nodiscard]] const std::vector<Node*>& Roots() const { return roots_; }

  // The images of the nodes (not owned).
  [[nodiscard]] ImageList* Images() const { return images_; }
  void SetImages(ImageList* images);
  [[nodiscard]] bool HideSelection() const { return hideSelection_; }
  void SetHideSelection(bool hideSelection);

  // The selected node, or null; setting null deselects.
  [[nodiscard]] Node* SelectedItem() const { return selected_; }
  void SetSelectedItem(Node* node);
  // The node last scrolled into view by EnsureVisible, or null.
  [[nodiscard]] Node* ScrolledTo() const { return scrolledTo_; }

  bool UserClickNode(Node& node);
  // A person opens or closes a branch; no event.
  bool UserSetExpanded(Node& node, bool expanded);

  std::function<void(Node&)> OnNodeClick;

 private:
  friend class Node;
  friend class NodeCollection;
  void Notify(ChangeKind kind, int index = 0) { NotifyChanged(kind, index); }
  void SelectNode(Node* node);
  void Forget(Node& node);

  NodeCollection nodes_{*this};
  std::vector<Node*> roots_;
  ImageList* images_ = nullptr;
  bool hideSelection_ = true;
  Node* selected_ = nullptr;
  Node* scrolledTo_ = nullptr;
};

}  // namespace quarvel::platform::controls
