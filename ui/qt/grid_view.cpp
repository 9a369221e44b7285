#include "ui/qt/grid_view.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QTextOption>
#include <QFontMetricsF>

#include "ui/qt/grid_model.h"
#include "ui/qt/images.h"
#include "ui/qt/key_codes.h"
#include "ui/qt/pitched_text.h"
#include "ui/qt/qt_text.h"

namespace ui::qt {

namespace {

QColor toColour(Rgb c) { return QColor(redOf(c), greenOf(c), blueOf(c)); }

QColor mix(const QColor& a, const QColor& b, double t) {
  return QColor::fromRgbF(static_cast<float>(a.redF() * (1 - t) + b.redF() * t),
                          static_cast<float>(a.greenF() * (1 - t) + b.greenF() * t),
                          static_cast<float>(a.blueF() * (1 - t) + b.blueF() * t));
}

Qt::Alignment horizontal(Alignment a) {
  switch (a) {
    case Alignment::Centre: return Qt::AlignHCenter;
    case Alignment::Right: return Qt::AlignRight;
    default: return Qt::AlignLeft;
  }
}

// A multi-line cell editor: Return ends the edit, Shift+Return (or
// Ctrl+Return) starts a new line.
class CellTextEdit : public QPlainTextEdit {
 public:
  using QPlainTextEdit::QPlainTextEdit;
};

// The width a one-line editor needs to show `text` whole (a drop-down one
// its arrow too).
int editorWidthFor(QWidget* editor, const QString& text) {
  const int textWidth = editor->fontMetrics().horizontalAdvance(text) + 8;
  if (auto* combo = qobject_cast<QComboBox*>(editor)) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = true;
    return combo->style()
        ->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(textWidth, combo->height()), combo)
        .width();
  }
  return textWidth + 4;
}

// Narrow columns (难度, 分值) would show a typed value only in part, as if
// scrolled: the editor grows over its right neighbours while the text
// needs it, never narrower than its cell.
void fitEditorWidth(QWidget* editor, const QString& text) {
  const int cellWidth = editor->property("cellWidth").toInt();
  const int wanted = std::max(cellWidth, editorWidthFor(editor, text));
  if (wanted != editor->width()) editor->resize(wanted, editor->height());
}

}  // namespace

// ---- Delegate ------------------------------------------------------------------

class GridDelegate : public QStyledItemDelegate {
 public:
  explicit GridDelegate(GridView* view) : QStyledItemDelegate(view), view_(view) {}

  void paint(QPainter* p, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const GridControl& g = view_->grid();
    const GridTableModel* m = view_->tableModel();
    const int row = m->gridRow(index.row());
    const int column = index.column();
    const CellStyle s = g.cellStyle(row, column);
    const bool fixed = g.IsFixedCell(row, column);
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const QRect r = option.rect;
    const QPalette& pal = option.palette;

    QColor back = fixed ? pal.color(QPalette::Button)
                        : toColour(s.hasBackColour ? s.backColour : g.defaultBackColour());
    if (selected && !fixed) back = mix(back, pal.color(QPalette::Highlight), 0.45);
    p->fillRect(r, back);

    const ColumnType type = g.GetColumnType(column);
    if (!fixed && type == ColumnType::CheckBox) {
      QStyleOptionButton box;
      const int side = std::min({16, r.width() - 2, r.height() - 2});
      box.rect = QRect(r.center().x() - side / 2, r.center().y() - side / 2, side, side);
      box.state = QStyle::State_Enabled |
                  (g.cellChecked(row, column) ? QStyle::State_On : QStyle::State_Off);
      box.palette = pal;
      view_->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, p, view_);
    } else if (!fixed && type == ColumnType::Picture) {
      const Bytes& bytes = g.cellPicture(row, column);
      const QImage image = DecodeImageBytes(bytes.data(), bytes.size());
      if (!image.isNull()) {
        const QImage shown = image.scaled(r.size() - QSize(2, 2), Qt::KeepAspectRatio,
                                          Qt::SmoothTransformation);
        p->drawImage(r.center() - QPoint(shown.width() / 2, shown.height() / 2), shown);
      }
    } else {
      const std::string& text = g.DisplayText(row, column);
      if (!text.empty()) {
        const int fontPx = std::max(1, s.fontHeight);
        p->setPen(selected && !fixed && back.lightnessF() < 0.5 ? pal.color(QPalette::HighlightedText)
                                                                : QColor(Qt::black));
        const QRect textRect = r.adjusted(3, 1, -3, -1);
        const Qt::Alignment h = fixed && !s.wordWrap ? Qt::AlignHCenter : horizontal(s.alignment);
        DrawPitchedText(p, textRect, ToQLines(text), m->FontOfHeight(fontPx),
                        GridTableModel::GlyphSize(fontPx), GridTableModel::linePitch(fontPx), h,
                        s.wordWrap);
      }
    }

    if (view_->currentIndex() == index) {
      QPen pen(pal.color(QPalette::Highlight));
      pen.setWidth(2);
      p->save();
      p->setPen(pen);
      p->setBrush(Qt::NoBrush);
      p->drawRect(r.adjusted(1, 1, -1, -1));
      p->restore();
    }
  }

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex& index) const override {
    const GridControl& g = view_->grid();
    const int row = view_->tableModel()->gridRow(index.row());
    const int column = index.column();
    const CellStyle s = g.cellStyle(row, column);
    const QFont font = view_->tableModel()->FontOfHeight(std::max(1, s.fontHeight));
    QWidget* editor = nullptr;
    switch (g.GetColumnType(column)) {
      case ColumnType::DropDown: {
        auto* combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        QStringList items;
        for (const std::string& item : g.columnListItems(column)) items << ToQ(item);
        combo->addItems(items);
        // What is typed shows as typed: no item completes it meanwhile.
        combo->setCompleter(nullptr);
        QObject::connect(combo, &QComboBox::editTextChanged, combo,
                         [combo](const QString& text) { fitEditorWidth(combo, text); });
        editor = combo;
        break;
      }
      case ColumnType::Numeric: {
        auto* line = new QLineEdit(parent);
        line->setValidator(new QRegularExpressionValidator(
            QRegularExpression(QStringLiteral("[+-]?[0-9]*([.][0-9]*)?")), line));
        line->setAlignment(horizontal(s.alignment));
        QObject::connect(line, &QLineEdit::textChanged, line,
                         [line](const QString& text) { fitEditorWidth(line, text); });
        editor = line;
        break;
      }
      default: {
        const bool manyLines = s.wordWrap || g.cellText(row, column).find('\n') != std::string::npos;
        if (manyLines) {
          auto* text = new CellTextEdit(parent);
          text->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
          text->setFrameShape(QFrame::NoFrame);
          editor = text;
        } else {
          auto* line = new QLineEdit(parent);
          line->setFrame(false);
          line->setAlignment(horizontal(s.alignment));
          editor = line;
        }
      }
    }
    editor->setFont(font);
    editor->setAutoFillBackground(true);
    view_->editorOpened(editor);
    return editor;
  }

  void destroyEditor(QWidget* editor, const QModelIndex& index) const override {
    view_->editorGone(editor);
    QStyledItemDelegate::destroyEditor(editor, index);
  }

  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    const GridControl& g = view_->grid();
    const int row = view_->tableModel()->gridRow(index.row());
    const QString text = ToQLines(g.DisplayText(row, index.column()));
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
      const int at = combo->findText(text, Qt::MatchExactly);
      combo->setCurrentIndex(at);
      combo->setEditText(text);
      if (combo->lineEdit()) combo->lineEdit()->selectAll();
    } else if (auto* line = qobject_cast<QLineEdit*>(editor)) {
      line->setText(text);
      line->selectAll();
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(editor)) {
      edit->setPlainText(text);
      edit->selectAll();
    }
  }

  void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const override {
    GridControl& g = view_->grid();
    if (!view_->attached_ || !g.editing()) return;
    std::string text;
    if (auto* combo = qobject_cast<QComboBox*>(editor))
      text = ToStd(combo->currentText());
    else if (auto* line = qobject_cast<QLineEdit*>(editor))
      text = ToStd(line->text());
    else if (auto* edit = qobject_cast<QPlainTextEdit*>(editor))
      text = FromQLines(edit->toPlainText());
    g.CommitEdit(text);
  }

  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                            const QModelIndex&) const override {
    QRect r = option.rect;
    auto* combo = qobject_cast<QComboBox*>(editor);
    if (combo) r.setHeight(std::max(r.height(), editor->sizeHint().height()));
    editor->setProperty("cellWidth", r.width());
    editor->setGeometry(r);
    if (combo) fitEditorWidth(combo, combo->currentText());
    else if (auto* line = qobject_cast<QLineEdit*>(editor); line && line->validator())
      fitEditorWidth(line, line->text());
  }

 protected:
  // Ends edits synchronously: the grid's CellEdited handler may show a
  // message box, and the editor must not outlive the edit it belongs to.
  bool eventFilter(QObject* object, QEvent* event) override {
    auto* editor = qobject_cast<QWidget*>(object);
    if (editor && event->type() == QEvent::KeyPress) {
      auto* ke = static_cast<QKeyEvent*>(event);
      const bool manyLines = qobject_cast<QPlainTextEdit*>(editor) != nullptr;
      switch (ke->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
          if (manyLines && (ke->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
            static_cast<QPlainTextEdit*>(editor)->insertPlainText(QStringLiteral("\n"));
            return true;
          }
          [[fallthrough]];
        case Qt::Key_Tab:
        case Qt::Key_Backtab: Finish(editor, true); return true;
        case Qt::Key_Escape: Finish(editor, false); return true;
        default: break;
      }
    }
    return QStyledItemDelegate::eventFilter(object, event);
  }

 private:
  void Finish(QWidget* editor, bool commit) {
    QPointer<QWidget> guard(editor);
    if (commit) Q_EMIT commitData(editor);
    if (guard && view_->openEditor() == editor)
      Q_EMIT closeEditor(editor, commit ? NoHint : RevertModelCache);
  }

  GridView* view_;
};

// ---- View ------------------------------------------------------------------------

GridView::GridView(GridControl& grid, QWidget* parent)
    : QTableView(parent), grid_(grid), model_(new GridTableModel(grid, this)) {
  delegate_ = new GridDelegate(this);
  setItemDelegate(delegate_);
  setModel(model_);
  setSelectionMode(QAbstractItemView::NoSelection);
  setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::DoubleClicked);
  setTabKeyNavigation(false);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setWordWrap(false);
  setCornerButtonEnabled(false);
  setFocusPolicy(Qt::StrongFocus);

  QHeaderView* v = verticalHeader();
  v->hide();
  v->setSectionResizeMode(QHeaderView::Fixed);
  v->setMinimumSectionSize(0);
  QHeaderView* h = horizontalHeader();
  h->setSectionResizeMode(QHeaderView::Interactive);
  h->setMinimumSectionSize(0);
  h->setSectionsClickable(false);
  h->setSectionsMovable(false);
  h->setHighlightSections(false);
  h->setStretchLastSection(false);
  h->setDefaultAlignment(Qt::AlignCenter);
  h->viewport()->installEventFilter(this);
  // Auto-sizing a column on a border double click would read every row.
  disconnect(h, &QHeaderView::sectionHandleDoubleClicked, nullptr, nullptr);
  connect(h, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
    if (applying_ || !headerResizing_) return;
    resizedColumn_ = column;
    resizedWidth_ = size;
  });

  connect(model_, &GridTableModel::GridRowHeightsChanged, this, &GridView::ApplyRowHeights);
  connect(model_, &GridTableModel::GridColumnsChanged, this, &GridView::ApplyColumns);
  connect(model_, &GridTableModel::GridCursorChanged, this, &GridView::ApplyCursor);
  connect(model_, &GridTableModel::GridSelectionChanged, this, &GridView::ApplySelection);
  connect(model_, &GridTableModel::GridReset, this, &GridView::ApplyAll);
  connect(model_, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex&, int first, int last) {
    ApplyRowHeights(model_->gridRow(first), model_->gridRow(last));
  });
  ApplyAll();
}

GridView::~GridView() = default;

void GridView::Detach() {
  if (!attached_) return;
  if (editor_) closeEditor(editor_, QAbstractItemDelegate::NoHint);
  attached_ = false;
  model_->Detach();
}

void GridView::Resync() {
  if (attached_) model_->ResetFromGrid();
}

// ---- Geometry ------------------------------------------------------------------

std::pair<int, int> GridView::CellAt(const QPoint& viewportPos) const {
  const QModelIndex index = indexAt(viewportPos);
  if (!index.isValid()) return {-1, -1};
  return {model_->gridRow(index.row()), index.column()};
}

std::pair<int, int> GridView::NearestCell(const QPoint& viewportPos) const {
  const QRect room = viewport()->rect();
  if (model_->rowCount() == 0 || model_->columnCount() == 0) return {-1, -1};
  QPoint p(std::clamp(viewportPos.x(), 0, std::max(0, room.width() - 1)),
           std::clamp(viewportPos.y(), 0, std::max(0, room.height() - 1)));
  int row = rowAt(p.y());
  int column = columnAt(p.x());
  if (row < 0) row = p.y() < rowViewportPosition(0) ? 0 : model_->rowCount() - 1;
  if (column < 0) column = p.x() < columnViewportPosition(0) ? 0 : model_->columnCount() - 1;
  return {model_->gridRow(row), column};
}

QRect GridView::CellRect(int gridRow, int column) const {
  return visualRect(model_->IndexOfCell(gridRow, column));
}

QPoint GridView::ToGridPoint(const QPoint& viewportPos) const {
  return viewport()->mapTo(this, viewportPos);
}

// ---- Syncing from the grid ---------------------------------------------------------

// The vertical scroll bar is counted whether it shows or not, so the column
// widths do not change as rows come and go.
void GridView::ReportCellArea() {
  if (!attached_) return;
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
  grid_.SetCellAreaWidth(width() - 2 * frameWidth() - bar);
}

void GridView::resizeEvent(QResizeEvent* e) {
  QTableView::resizeEvent(e);
  ReportCellArea();
}

void GridView::ApplyAll() {
  if (!attached_) return;
  verticalHeader()->setDefaultSectionSize(std::max(1, grid_.defaultRowHeight()));
  horizontalHeader()->setVisible(model_->headerRows() > 0);
  ApplyColumns(0, grid_.ColumnCount() - 1);
  ApplyRowHeights(0, grid_.RowCount() - 1);
  ApplyCursor();
  ApplySelection();
}

void GridView::ApplyColumns(int firstColumn, int lastColumn) {
  if (!attached_) return;
  applying_ = true;
  QHeaderView* h = horizontalHeader();
  lastColumn = std::min(lastColumn, grid_.ColumnCount() - 1);
  for (int c = std::max(0, firstColumn); c <= lastColumn; ++c) {
    const int width = grid_.GetColumnWidth(c);
    if (width <= 0) {
      setColumnHidden(c, true);
    } else {
      if (isColumnHidden(c)) setColumnHidden(c, false);
      if (h->sectionSize(c) != width) h->resizeSection(c, width);
    }
  }
  applying_ = false;
  if (editor_) viewport()->update();
}

void GridView::ApplyRowHeights(int firstGridRow, int lastGridRow) {
  if (!attached_) return;
  const int headerRows = model_->headerRows();
  if (headerRows > 0 && firstGridRow < headerRows) {
    const int height = grid_.rowHeight(0);
    horizontalHeader()->setFixedHeight(std::max(0, height));
  }
  const int first = std::max(firstGridRow, headerRows);
  const int last = std::min(lastGridRow, grid_.RowCount() - 1);
  if (first > last) return;
  QHeaderView* v = verticalHeader();
  const bool bulk = last > first;
  // One by one, each resize would ask the table to re-lay-out its rows.
  if (bulk) v->blockSignals(true);
  for (int r = first; r <= last; ++r) {
    const int height = std::max(0, grid_.rowHeight(r));
    const int row = r - headerRows;
    if (v->sectionSize(row) != height) v->resizeSection(row, height);
  }
  if (bulk) {
    v->blockSignals(false);
    updateGeometries();
    viewport()->update();
  }
}

void GridView::ApplyCursor() {
  if (!attached_) return;
  const QModelIndex index = model_->IndexOfCell(grid_.CursorRow(), grid_.CursorColumn());
  const QModelIndex before = currentIndex();
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  if (index.isValid()) scrollTo(index);
  if (before.isValid()) update(before);
  if (index.isValid()) update(index);
}

void GridView::ApplySelection() {
  if (!attached_) return;
  QItemSelection selection;
  if (grid_.cellSelection() && grid_.SelectionFirstRow() >= 0) {
    const int rows = model_->rowCount();
    const int top = std::max(0, model_->modelRow(grid_.SelectionFirstRow()));
    const int bottom = std::min(rows - 1, model_->modelRow(grid_.SelectionLastRow()));
    const int left = std::max(0, grid_.SelectionFirstColumn());
    const int right = std::min(model_->columnCount() - 1, grid_.SelectionLastColumn());
    if (top <= bottom && left <= right)
      selection.select(model_->index(top, left), model_->index(bottom, right));
  }
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void GridView::ShowDragSelection(int gridRow, int column) {
  if (!grid_.cellSelection() || pressRow_ < 0) return;
  const int rows = model_->rowCount();
  const int top = std::max(0, model_->modelRow(std::min(pressRow_, gridRow)));
  const int bottom = std::min(rows - 1, model_->modelRow(std::max(pressRow_, gridRow)));
  const int left = std::min(pressColumn_, column);
  const int right = std::max(pressColumn_, column);
  QItemSelection selection;
  if (top <= bottom && left >= 0) selection.select(model_->index(top, left), model_->index(bottom, right));
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

// ---- Editing -------------------------------------------------------------------------

bool GridView::EditCellInPlace(int gridRow, int column) {
  return StartEdit(gridRow, column, QAbstractItemView::EditKeyPressed, nullptr);
}

bool GridView::StartEdit(int gridRow, int column, EditTrigger trigger, QEvent* event) {
  if (!attached_ || editor_) return false;
  // An editor the view dropped without closing (rows removed under it).
  if (grid_.editing()) grid_.CancelEdit();
  if (grid_.GetColumnType(column) == ColumnType::CheckBox) return false;
  if (!grid_.BeginEdit(gridRow, column)) return false;
  if (!attached_) return false;
  model_->FlushChanges();
  const QModelIndex index = model_->IndexOfCell(gridRow, column);
  if (!grid_.editing() || !index.isValid() || !(model_->flags(index) & Qt::ItemIsEditable)) {
    if (grid_.editing()) grid_.CancelEdit();
    return false;
  }
  if (!(editTriggers() & trigger)) trigger = QAbstractItemView::AllEditTriggers;
  allowEdit_ = true;
  const bool opened = QTableView::edit(index, trigger, event);
  allowEdit_ = false;
  if (!opened && grid_.editing()) grid_.CancelEdit();
  return opened;
}

bool GridView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  if (allowEdit_) return QTableView::edit(index, trigger, event);
  if (!attached_ || !index.isValid()) return false;
  switch (trigger) {
    case QAbstractItemView::AnyKeyPressed:
    case QAbstractItemView::EditKeyPressed:
    case QAbstractItemView::DoubleClicked:
    case QAbstractItemView::AllEditTriggers:
      return StartEdit(model_->gridRow(index.row()), index.column(), trigger, event);
    default: return false;
  }
}

void GridView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
  if (hint != QAbstractItemDelegate::RevertModelCache) hint = QAbstractItemDelegate::NoHint;
  QTableView::closeEditor(editor, hint);
  editorGone(editor);
  // Closed without a commit (Escape, focus lost to nowhere): the grid keeps
  // the old value and still tells the window the edit ended.
  if (attached_ && grid_.editing()) grid_.CancelEdit();
}

void GridView::CommitOpenEditor() {
  QPointer<QWidget> editor = editor_;
  if (!editor) return;
  commitData(editor);
  if (editor && editor_ == editor) closeEditor(editor, QAbstractItemDelegate::NoHint);
}

// ---- Mouse and keys ------------------------------------------------------------------

void GridView::mousePressEvent(QMouseEvent* e) {
  if (!attached_) return;
  CommitOpenEditor();
  if (!hasFocus()) setFocus(Qt::MouseFocusReason);
  const QPoint pos = e->position().toPoint();
  if (e->button() == Qt::RightButton) {
    // The menu that follows belongs to the cell under the mouse.
    const auto [row, column] = CellAt(pos);
    pressed_ = false;
    const QPoint g = ToGridPoint(pos);
    grid_.RightButtonDown(row, column, g.x(), g.y(), ModifierFlags(e->modifiers()));
    if (attached_) ApplySelection();
    return;
  }
  if (e->button() != Qt::LeftButton) return;
  const auto [row, column] = CellAt(pos);
  pressed_ = false;
  editAfterRelease_ = false;
  if (row < 0) return;
  const QPoint g = ToGridPoint(pos);
  pressed_ = grid_.LeftButtonDown(row, column, g.x(), g.y(), ModifierFlags(e->modifiers()));
  if (pressed_) {
    pressRow_ = row;
    pressColumn_ = column;
  }
}

void GridView::mouseMoveEvent(QMouseEvent* e) {
  if (!attached_ || !pressed_ || !(e->buttons() & Qt::LeftButton)) return;
  const auto [row, column] = NearestCell(e->position().toPoint());
  if (row >= 0) ShowDragSelection(row, column);
}

void GridView::mouseReleaseEvent(QMouseEvent* e) {
  if (!attached_) return;
  const QPoint pos = e->position().toPoint();
  const QPoint g = ToGridPoint(pos);
  const int mods = ModifierFlags(e->modifiers());
  if (e->button() == Qt::RightButton) {
    const auto [row, column] = CellAt(pos);
    grid_.RightButtonUp(row, column, g.x(), g.y(), mods);
    return;
  }
  if (e->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  auto [row, column] = CellAt(pos);
  if (row < 0) std::tie(row, column) = NearestCell(pos);
  grid_.LeftButtonUp(row, column, g.x(), g.y(), mods);
  if (editAfterRelease_) {
    editAfterRelease_ = false;
    if (attached_ && row == grid_.CursorRow() && column == grid_.CursorColumn())
      StartEdit(row, column, QAbstractItemView::DoubleClicked, nullptr);
  }
  if (attached_) ApplySelection();
}

void GridView::mouseDoubleClickEvent(QMouseEvent* e) {
  if (!attached_ || e->button() != Qt::LeftButton) return;
  const QPoint pos = e->position().toPoint();
  const auto [row, column] = CellAt(pos);
  if (row < 0) return;
  const QPoint g = ToGridPoint(pos);
  pressed_ = grid_.LeftDoubleClick(row, column, g.x(), g.y(), ModifierFlags(e->modifiers()));
  // A double click the window did not refuse edits the cell, once the
  // button is up again.
  editAfterRelease_ = pressed_ && grid_.CanEditCell(row, column) &&
                      grid_.GetColumnType(column) != ColumnType::CheckBox;
  if (!pressed_) grid_.LeftButtonUp(row, column, g.x(), g.y(), ModifierFlags(e->modifiers()));
}

void GridView::keyPressEvent(QKeyEvent* e) {
  if (!attached_) {
    e->ignore();
    return;
  }
  const int key = VirtualKey(e->key());
  const int mods = ModifierFlags(e->modifiers());
  if (key == kKeyTab) {
    if (grid_.PressKey(key, mods)) focusNextPrevChild(!(e->modifiers() & Qt::ShiftModifier));
    return;
  }
  const QString text = e->text();
  const bool printable = !text.isEmpty() && text.at(0).isPrint() && !(mods & (kModCtrl | kModAlt));
  if (key == 0 && !printable) {
    e->ignore();
    return;
  }
  if (key != 0 && !grid_.PressKey(key, mods)) return;  // the window refused the key
  if (!attached_) return;
  switch (key) {
    case kKeyLeft:
    case kKeyRight:
    case kKeyUp:
    case kKeyDown:
    case kKeyHome:
    case kKeyEnd:
    case kKeyPageUp:
    case kKeyPageDown:
    case kKeyDelete: return;
    case kKeyEscape:
      // Nothing to cancel in the grid: the window's Escape.
      e->ignore();
      return;
    case kKeyF2:
    case kKeyReturn:
      StartEdit(grid_.CursorRow(), grid_.CursorColumn(), QAbstractItemView::EditKeyPressed, nullptr);
      return;
    case kKeySpace:
      if (grid_.GetColumnType(grid_.CursorColumn()) == ColumnType::CheckBox) return;
      break;
    default: break;
  }
  if (printable)
    StartEdit(grid_.CursorRow(), grid_.CursorColumn(), QAbstractItemView::AnyKeyPressed, e);
}

// ---- Header: row 0 of the grid -----------------------------------------------------------

bool GridView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == horizontalHeader()->viewport() && attached_) return headerEvent(event);
  return QTableView::eventFilter(watched, event);
}

bool GridView::headerEvent(QEvent* event) {
  QHeaderView* h = horizontalHeader();
  auto onBorder = [h](const QPoint& pos) {
    const int grip = h->style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, h);
    const int column = h->logicalIndexAt(pos);
    if (column < 0) return h->count() > 0;  // right of the last column: its border
    const int start = h->sectionViewportPosition(column);
    const int end = start + h->sectionSize(column);
    return pos.x() >= end - grip || (pos.x() <= start + grip && h->visualIndex(column) > 0);
  };
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* me = static_cast<QMouseEvent*>(event);
      const QPoint pos = me->position().toPoint();
      CommitOpenEditor();
      if (me->button() != Qt::LeftButton) return true;
      if (onBorder(pos)) {
        headerResizing_ = true;
        resizedColumn_ = -1;
        return false;  // the header drags the border
      }
      const int column = h->logicalIndexAt(pos);
      headerPressed_ = false;
      if (column < 0) return true;
      if (!hasFocus()) setFocus(Qt::MouseFocusReason);
      const QPoint g = h->viewport()->mapTo(this, pos);
      headerPressed_ = grid_.LeftButtonDown(0, column, g.x(), g.y(), ModifierFlags(me->modifiers()));
      return true;
    }
    case QEvent::MouseButtonRelease: {
      auto* me = static_cast<QMouseEvent*>(event);
      const QPoint pos = me->position().toPoint();
      const QPoint g = h->viewport()->mapTo(this, pos);
      const int mods = ModifierFlags(me->modifiers());
      if (me->button() == Qt::RightButton) {
        grid_.RightButtonUp(0, h->logicalIndexAt(pos), g.x(), g.y(), mods);
        return true;
      }
      if (me->button() != Qt::LeftButton) return true;
      if (headerResizing_) {
        headerResizing_ = false;
        const int column = resizedColumn_;
        resizedColumn_ = -1;
        if (column >= 0) grid_.ResizeColumn(column, resizedWidth_);
        return false;
      }
      if (!headerPressed_) return true;
      headerPressed_ = false;
      int column = h->logicalIndexAt(pos);
      if (column < 0) column = pos.x() < 0 ? 0 : grid_.ColumnCount() - 1;
      grid_.LeftButtonUp(0, column, g.x(), g.y(), mods);
      return true;
    }
    case QEvent::MouseButtonDblClick: {
      auto* me = static_cast<QMouseEvent*>(event);
      const QPoint pos = me->position().toPoint();
      if (me->button() != Qt::LeftButton || onBorder(pos)) return true;
      const int column = h->logicalIndexAt(pos);
      if (column < 0) return true;
      const QPoint g = h->viewport()->mapTo(this, pos);
      headerPressed_ = grid_.LeftDoubleClick(0, column, g.x(), g.y(), ModifierFlags(me->modifiers()));
      return true;
    }
    case QEvent::MouseMove: {
      auto* me = static_cast<QMouseEvent*>(event);
      // Only a border drag moves anything in the header.
      return (me->buttons() & Qt::LeftButton) && !headerResizing_;
    }
    default: return false;
  }
}

}  // namespace ui::qt
