// How a window's units are arranged, without any toolkit: a tree of rows,
// columns and grids with stretch factors. A view builds its layout from it.
// A window without a layout places its units by their geometry (design
// pixels), as the window's own size handler moves them.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace ui {

class Unit;
class GroupBox;

struct LayoutNode {
  enum class Kind {
    Unit,     // one unit
    Row,      // children side by side
    Column,   // children one below the other
    Grid,     // children in cells (row, column, spans)
    Group,    // a group box with its inner layout as the only child
    Stretch,  // empty space that takes the spare room
    Spacing,  // fixed empty space of `size` pixels
  };

  Kind kind = Kind::Column;
  Unit* unit = nullptr;  // Unit and Group
  std::vector<LayoutNode> children;
  int stretch = 0;       // share of the spare room along the parent's direction
  int size = 0;          // Spacing
  int spacing = -1;      // between children; -1: the view's default
  // Place in a Grid parent.
  int row = 0, column = 0, rowSpan = 1, columnSpan = 1;
};

namespace layout {

LayoutNode unit(Unit& u, int stretch = 0);
LayoutNode row(std::initializer_list<LayoutNode> children, int stretch = 0);
LayoutNode column(std::initializer_list<LayoutNode> children, int stretch = 0);
LayoutNode row(std::vector<LayoutNode> children, int stretch = 0);
LayoutNode column(std::vector<LayoutNode> children, int stretch = 0);
// Children must have been placed with at().
LayoutNode grid(std::initializer_list<LayoutNode> children, int stretch = 0);
// Places a node in a grid cell.
LayoutNode at(LayoutNode node, int row, int column, int rowSpan = 1, int columnSpan = 1);
LayoutNode group(GroupBox& box, LayoutNode inner, int stretch = 0);
LayoutNode stretch(int factor = 1);
LayoutNode spacing(int pixels);

}  // namespace layout
}  // namespace ui
