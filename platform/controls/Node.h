// One node of a tree view: key (unique in its tree, compared exactly), text,
// image key into the tree's ImageList, bold, its parent and children, and
// whether it is expanded or selected. Setting Expanded or Selected from code
// raises no event. Nodes are owned by the tree's NodeCollection; a reference
// stays valid until the node (or a node above it) is removed.
#pragma once

#include <string>
#include <vector>

namespace quarvel::platform::controls {

class TreeView;

class Node {
 public:
  Node(TreeView& owner, Node* parent, std::string key, std::string text, std::string image);

  [[nodiscard]] TreeView& Owner() const { return owner_; }
  // From 1, in the order the nodes were added (Nodes(1) is the first added).
  [[nodiscard]] int Index() const { return index_; }
  [[nodiscard]] const std::string& Key() const { return key_; }
  [[nodiscard]] const std::string& Text() const { return text_; }
  void SetText(std::string text);
  [[nodiscard]] const std::string& Image() const { return image_; }
  void SetImage(std::string key);
  [[nodiscard]] bool Bold() const { return bold_; }
  void SetBold(bool bold);
  [[nodiscard]] bool Expanded() const { return expanded_; }
  void SetExpanded(bool expanded);
  [[nodiscard]] bool Selected() const { return selected_; }
  // Selecting a node deselects the tree's other node.
  void SetSelected(bool selected);

  [[nodiscard]] Node* Parent() const { return parent_; }
  // In display order (the order added).
  [[nodiscard]] const std::vector<Node*>& Children() const { return children_; }

  // Expands every node above this one and scrolls it into view
  // (TreeView::ScrolledTo records it).
  void EnsureVisible();

 private:
  friend class NodeCollection;
  friend class TreeView;
  void Changed();

  TreeView& owner_;
  Node* parent_;
  std::vector<Node*> children_;
  int index_ = 0;
  std::string key_;
  std::string text_;
  std::string image_;
  bool bold_ = false;
  bool expanded_ = false;
  bool selected_ = false;
};

}  // namespace quarvel::platform::controls
