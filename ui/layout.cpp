#include "ui/layout.h"

#include "ui/units.h"

namespace ui::layout {

namespace {
LayoutNode container(LayoutNode::Kind kind, std::vector<LayoutNode> children, int stretch) {
  LayoutNode n;
  n.kind = kind;
  n.children = std::move(children);
  n.stretch = stretch;
  return n;
}
}  // namespace

LayoutNode unit(Unit& u, int stretch) {
  LayoutNode n;
  n.kind = LayoutNode::Kind::Unit;
  n.unit = &u;
  n.stretch = stretch;
  return n;
}

LayoutNode row(std::initializer_list<LayoutNode> children, int stretch) {
  return container(LayoutNode::Kind::Row, children, stretch);
}
LayoutNode column(std::initializer_list<LayoutNode> children, int stretch) {
  return container(LayoutNode::Kind::Column, children, stretch);
}
LayoutNode row(std::vector<LayoutNode> children, int stretch) {
  return container(LayoutNode::Kind::Row, std::move(children), stretch);
}
LayoutNode column(std::vector<LayoutNode> children, int stretch) {
  return container(LayoutNode::Kind::Column, std::move(children), stretch);
}
LayoutNode grid(std::initializer_list<LayoutNode> children, int stretch) {
  return container(LayoutNode::Kind::Grid, children, stretch);
}

LayoutNode at(LayoutNode node, int row, int column, int rowSpan, int columnSpan) {
  node.row = row;
  node.column = column;
  node.rowSpan = rowSpan;
  node.columnSpan = columnSpan;
  return node;
}

LayoutNode group(GroupBox& box, LayoutNode inner, int stretch) {
  LayoutNode n;
  n.kind = LayoutNode::Kind::Group;
  n.unit = &box;
  n.children.push_back(std::move(inner));
  n.stretch = stretch;
  return n;
}

LayoutNode stretch(int factor) {
  LayoutNode n;
  n.kind = LayoutNode::Kind::Stretch;
  n.stretch = factor;
  return n;
}

LayoutNode spacing(int pixels) {
  LayoutNode n;
  n.kind = LayoutNode::Kind::Spacing;
  n.size = pixels;
  return n;
}

}  // namespace ui::layout
