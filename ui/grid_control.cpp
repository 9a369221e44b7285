#include "ui/grid_control.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "text/text.h"
#include "ui/window.h"

namespace ui {

namespace {

const std::string kEmptyText;
const Bytes kNoBytes;
const std::vector<std::string> kNoItems;

// A whole number of digits with optional sign, point and exponent; the
// plain forms a person types into a number cell.
bool parseStrictNumber(std::string_view s, double& out) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  if (s.empty()) return false;
  std::size_t i = 0;
  if (s[i] == '+' || s[i] == '-') ++i;
  std::size_t digits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t expDigits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') ++i, ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != s.size()) return false;
  std::string_view body = s;
  if (body.front() == '+') body.remove_prefix(1);
  double v = 0;
  const auto r = std::from_chars(body.data(), body.data() + body.size(), v);
  if (r.ec != std::errc() || !std::isfinite(v)) return false;
  out = v;
  return true;
}

std::string toCharsFixed(double v, int decimals) {
  char buf[400];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
  return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0");
}

// A number with `digits` significant digits, without exponent for the
// ordinary range, trailing zeros dropped.
std::string formatSignificant(double v, int digits) {
  if (!std::isfinite(v) || v == 0.0) return "0";
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, digits - 1);
  const std::string sci(buf, r.ptr);
  const int exponent = std::atoi(sci.c_str() + sci.find('e') + 1);
  std::string out;
  if (exponent >= -5 && exponent < 15) {
    // Take the value rounded to its significant digits, so that digits
    // left of the point beyond them read as zeros.
    double rounded = v;
    std::from_chars(sci.data(), sci.data() + sci.size(), rounded);
    out = toCharsFixed(rounded, std::max(0, digits - 1 - exponent));
    if (out.find('.') != std::string::npos) {
      while (out.back() == '0') out.pop_back();
      if (out.back() == '.') out.pop_back();
    }
  } else {
    r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, digits);
    out.assign(buf, r.ptr);
  }
  if (out == "-0") out = "0";
  return out;
}

// A whole number written without point or exponent, read exactly, so long
// numbers keep every digit rather than passing through a double.
std::optional<std::int64_t> plainInteger(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  std::int64_t v = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
  return v;
}

std::string formatWhole(std::int64_t v, int decimals) {
  std::string out = std::to_string(v);
  if (decimals > 0) out += '.' + std::string(static_cast<std::size_t>(decimals), '0');
  return out;
}

std::string formatDate(double days) {
  const text::DateTime dt = text::FromDays(days);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", dt.year, dt.month, dt.day);
  return buf;
}

}  // namespace

GridControl::GridControl(Window& window, std::string name, const GridSettings& settings)
    : Unit(&window, std::move(name), UnitKind::Grid) {
  Init(settings);
}

GridControl::GridControl(const GridSettings& settings) : Unit(nullptr, {}, UnitKind::Grid) {
  Init(settings);
}

GridControl::~GridControl() = default;

void GridControl::Init(const GridSettings& s) {
  columnCount_ = std::max(0, s.columns);
  defaultRowHeight_ = std::max(0, s.rowHeight);
  defaultColumnWidth_ = std::max(0, s.columnWidth);
  defaultFontHeight_ = std::max(1, s.fontHeight);
  defaultBack_ = s.backColour;
  columns_.assign(static_cast<std::size_t>(columnCount_),
                  Column{ColumnType::Text, defaultColumnWidth_, 0, {}});
  rows_.clear();
  for (int i = 0; i < std::max(1, s.rows); ++i) rows_.push_back(MakeRow());
  fixedRows_ = std::max(0, s.fixedRows);
  fixedColumns_ = std::max(0, s.fixedColumns);
  editable_ = s.editable;
  showZero_ = s.showZero;
  cellSelection_ = s.cellSelection;
  setVisible(s.visible);
}

GridControl::Row GridControl::MakeRow() const {
  Row r;
  r.cells.resize(static_cast<std::size_t>(columnCount_));
  r.height = defaultRowHeight_;
  return r;
}

bool GridControl::InGrid(int row, int column) const {
  return row >= 0 && column >= 0 && row < RowCount() && column < columnCount_;
}

int GridControl::FixedRowCount() const { return std::min(fixedRows_, RowCount()); }
int GridControl::FixedColumnCount() const { return std::min(fixedColumns_, columnCount_); }

bool GridControl::IsFixedCell(int row, int column) const {
  return InGrid(row, column) && (row < FixedRowCount() || column < FixedColumnCount());
}

bool GridControl::IsDataCell(int row, int column) const {
  return InGrid(row, column) && !IsFixedCell(row, column);
}

// ---- Cells -------------------------------------------------------------------

std::string GridControl::FormatForColumn(int column, double v) const {
  const int decimals = columns_[static_cast<std::size_t>(column)].decimals;
  double r = text::RoundHalfAway(v, decimals);
  if (r == 0.0) {
    if (!showZero_) return {};
    r = 0.0;  // no "-0"
  }
  if (decimals == 0) {
    if (std::fabs(r) < 9.0e18) return std::to_string(static_cast<std::int64_t>(r));
    return toCharsFixed(r, 0);
  }
  return toCharsFixed(r, decimals);
}

bool GridControl::SetCellData(int row, int column, CellKind kind, const CellValue& value) {
  if (!InGrid(row, column)) return false;
  Cell& cell = rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)];
  const Column& col = columns_[static_cast<std::size_t>(column)];
  const bool data = IsDataCell(row, column);

  switch (kind) {
    case CellKind::Text: {
      if (data && (col.type == ColumnType::CheckBox || col.type == ColumnType::Picture))
        return false;
      std::string textValue;
      std::optional<double> number;
      std::optional<std::int64_t> whole;
      if (const auto* s = std::get_if<std::string>(&value)) {
        textValue = *s;
      } else if (const auto* i = std::get_if<int>(&value)) {
        textValue = std::to_string(*i);
        number = *i;
        whole = *i;
      } else if (const auto* l = std::get_if<std::int64_t>(&value)) {
        textValue = std::to_string(*l);
        number = static_cast<double>(*l);
        whole = *l;
      } else if (const auto* f = std::get_if<float>(&value)) {
        textValue = formatSignificant(*f, 6);
        number = static_cast<double>(*f);
      } else if (const auto* d = std::get_if<double>(&value)) {
        textValue = formatSignificant(*d, 13);
        number = *d;
      } else {
        return false;
      }
      // "inf" or "nan" in a cell is no number a person could use.
      if (number && !std::isfinite(*number)) return false;
      if (data && col.type == ColumnType::Numeric) {
        if (!number) {
          double parsed = 0;
          if (text::TrimSpaces(textValue).empty()) {
            textValue.clear();
          } else if (parseStrictNumber(textValue, parsed)) {
            number = parsed;
            whole = plainInteger(textValue);
          } else {
            return false;
          }
        }
        if (whole && *whole != 0)
          textValue = formatWhole(*whole, col.decimals);
        else if (number)
          textValue = FormatForColumn(column, *number);
      } else if (data && col.type == ColumnType::Date) {
        if (number) {
          textValue = formatDate(*number);
        } else if (auto days = text::ParseDateTime(textValue)) {
          textValue = formatDate(*days);
        }
      }
      if (cell.text != textValue) {
        cell.text = std::move(textValue);
        each([&](GridObserver& o) { o.cellsChanged(row, column, row, column); });
      }
      return true;
    }
    case CellKind::Check: {
      if (!data || col.type != ColumnType::CheckBox) return false;
      const auto* b = std::get_if<bool>(&value);
      if (!b) return false;
      if (cell.has(Cell::kChecked) != *b) {
        cell.set(Cell::kChecked, *b);
        each([&](GridObserver& o) { o.cellsChanged(row, column, row, column); });
      }
      return true;
    }
    case CellKind::Picture: {
      if (col.type != ColumnType::Picture) return false;
      Bytes bytes;
      if (const auto* b = std::get_if<Bytes>(&value)) {
        bytes = *b;
      } else if (const auto* path = std::get_if<std::string>(&value)) {
        // A folder opens like a file here and throws only once read.
        std::error_code ec;
        if (!std::filesystem::is_regular_file(*path, ec)) return false;
        std::ifstream in(*path, std::ios::binary);
        if (!in) return false;
        try {
          bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        } catch (const std::ios_base::failure&) {
          return false;
        }
        if (in.bad()) return false;
      } else {
        return false;
      }
      if (bytes.empty())
        cell.picture.reset();
      else
        cell.picture = std::make_unique<Bytes>(std::move(bytes));
      each([&](GridObserver& o) { o.cellsChanged(row, column, row, column); });
      return true;
    }
  }
  return false;
}

CellValue GridControl::GetCellData(int row, int column) const {
  if (column >= 0 && column < columnCount_ &&
      columns_[static_cast<std::size_t>(column)].type == ColumnType::Picture) {
    return cellPicture(row, column);
  }
  if (!InGrid(row, column)) return false;
  if (columns_[static_cast<std::size_t>(column)].type == ColumnType::CheckBox &&
      IsDataCell(row, column))
    return cellChecked(row, column);
  return cellText(row, column);
}

const std::string& GridControl::cellText(int row, int column) const {
  if (!InGrid(row, column)) return kEmptyText;
  return rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)].text;
}

bool GridControl::cellChecked(int row, int column) const {
  if (!InGrid(row, column)) return false;
  return rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)].has(
      Cell::kChecked);
}

const Bytes& GridControl::cellPicture(int row, int column) const {
  if (!InGrid(row, column)) return kNoBytes;
  const auto& p =
      rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)].picture;
  return p ? *p : kNoBytes;
}

const std::string& GridControl::DisplayText(int row, int column) const {
  if (IsDataCell(row, column)) {
    const ColumnType t = columns_[static_cast<std::size_t>(column)].type;
    if (t == ColumnType::CheckBox || t == ColumnType::Picture) return kEmptyText;
  }
  return cellText(row, column);
}

CellStyle GridControl::cellStyle(int row, int column) const {
  CellStyle s;
  s.backColour = defaultBack_;
  s.fontHeight = defaultFontHeight_;
  if (!InGrid(row, column)) return s;
  const Cell& c = rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)];
  if (c.has(Cell::kHasBack)) {
    s.backColour = c.back;
    s.hasBackColour = true;
  }
  if (c.fontHeight > 0) s.fontHeight = c.fontHeight;
  s.alignment = c.alignment;
  s.wordWrap = c.has(Cell::kWrap);
  s.readOnly = c.has(Cell::kReadOnly);
  return s;
}

// ---- Rows and columns ----------------------------------------------------------

void GridControl::SetRowCount(int rows) {
  if (rows < 1 || rows == RowCount()) return;
  const int old = RowCount();
  if (rows > old) {
    each([&](GridObserver& o) { o.rowsAboutToBeInserted(old, rows - old); });
    rows_.reserve(static_cast<std::size_t>(rows));
    for (int i = old; i < rows; ++i) rows_.push_back(MakeRow());
    each([&](GridObserver& o) { o.rowsInserted(old, rows - old); });
  } else {
    each([&](GridObserver& o) { o.rowsAboutToBeRemoved(rows, old - rows); });
    rows_.resize(static_cast<std::size_t>(rows));
    ClampCursor();
    each([&](GridObserver& o) { o.rowsRemoved(rows, old - rows); });
  }
}

void GridControl::SetColumnCount(int columns) {
  if (columns < 0 || columns == columnCount_) return;
  const int old = columnCount_;
  if (columns > old) {
    each([&](GridObserver& o) { o.columnsAboutToBeInserted(old, columns - old); });
    columns_.resize(static_cast<std::size_t>(columns),
                    Column{ColumnType::Text, defaultColumnWidth_, 0, {}});
    columnCount_ = columns;
    for (Row& r : rows_) r.cells.resize(static_cast<std::size_t>(columns));
    each([&](GridObserver& o) { o.columnsInserted(old, columns - old); });
  } else {
    each([&](GridObserver& o) { o.columnsAboutToBeRemoved(columns, old - columns); });
    columns_.resize(static_cast<std::size_t>(columns));
    columnCount_ = columns;
    for (Row& r : rows_) r.cells.resize(static_cast<std::size_t>(columns));
    ClampCursor();
    each([&](GridObserver& o) { o.columnsRemoved(columns, old - columns); });
  }
}

void GridControl::SetFixedRowCount(int rows) {
  rows = std::max(0, rows);
  if (rows == fixedRows_) return;
  fixedRows_ = rows;
  each([](GridObserver& o) { o.settingsChanged(); });
}

void GridControl::SetFixedColumnCount(int columns) {
  columns = std::max(0, columns);
  if (columns == fixedColumns_) return;
  fixedColumns_ = columns;
  each([](GridObserver& o) { o.settingsChanged(); });
}

bool GridControl::InsertRow(std::optional<std::string> heading, std::optional<int> position) {
  int at = RowCount();
  if (position && *position >= FixedRowCount() && *position < RowCount()) at = *position;
  each([&](GridObserver& o) { o.rowsAboutToBeInserted(at, 1); });
  rows_.insert(rows_.begin() + at, MakeRow());
  // An edit in progress ends in the cell it began in.
  if (editing() && at <= editRow_) ++editRow_;
  each([&](GridObserver& o) { o.rowsInserted(at, 1); });
  if (heading && columnCount_ > 0) SetCellData(at, 0, CellKind::Text, *heading);
  return true;
}

bool GridControl::InsertColumn(std::optional<std::string> heading, std::optional<int> position) {
  int at = columnCount_;
  if (position && *position >= FixedColumnCount() && *position < columnCount_) at = *position;
  each([&](GridObserver& o) { o.columnsAboutToBeInserted(at, 1); });
  columns_.insert(columns_.begin() + at, Column{ColumnType::Text, defaultColumnWidth_, 0, {}});
  ++columnCount_;
  for (Row& r : rows_) r.cells.insert(r.cells.begin() + at, Cell{});
  if (editing() && at <= editColumn_) ++editColumn_;
  each([&](GridObserver& o) { o.columnsInserted(at, 1); });
  if (heading) SetCellData(0, at, CellKind::Text, *heading);
  return true;
}

bool GridControl::DeleteRow(int row) {
  if (row < 0 || row >= RowCount() || RowCount() == 1) return false;
  each([&](GridObserver& o) { o.rowsAboutToBeRemoved(row, 1); });
  if (editRow_ == row) editRow_ = editColumn_ = -1;
  if (editRow_ > row) --editRow_;
  rows_.erase(rows_.begin() + row);
  ClampCursor();
  each([&](GridObserver& o) { o.rowsRemoved(row, 1); });
  return true;
}

bool GridControl::DeleteColumn(int column) {
  if (column < 0 || column >= columnCount_) return false;
  each([&](GridObserver& o) { o.columnsAboutToBeRemoved(column, 1); });
  if (editColumn_ == column) editRow_ = editColumn_ = -1;
  if (editColumn_ > column) --editColumn_;
  columns_.erase(columns_.begin() + column);
  --columnCount_;
  for (Row& r : rows_) r.cells.erase(r.cells.begin() + column);
  ClampCursor();
  each([&](GridObserver& o) { o.columnsRemoved(column, 1); });
  return true;
}

void GridControl::ClampCursor() {
  const int maxRow = RowCount() - 1;
  const int maxCol = std::max(0, columnCount_ - 1);
  const int r = std::clamp(cursorRow_, 0, maxRow);
  const int c = std::clamp(cursorColumn_, 0, maxCol);
  if (r != cursorRow_ || c != cursorColumn_) {
    cursorRow_ = r;
    cursorColumn_ = c;
    each([](GridObserver& o) { o.cursorChanged(); });
  }
  if (selFirstRow_ >= 0) {
    if (selFirstRow_ > maxRow || selFirstColumn_ >= columnCount_) {
      selFirstRow_ = selFirstColumn_ = selLastRow_ = selLastColumn_ = -1;
    } else {
      selLastRow_ = std::min(selLastRow_, maxRow);
      selLastColumn_ = std::min(selLastColumn_, columnCount_ - 1);
    }
    each([](GridObserver& o) { o.selectionChanged(); });
  }
  if (editRow_ >= RowCount() || editColumn_ >= columnCount_) editRow_ = editColumn_ = -1;
}

bool GridControl::SetRowHeight(int row, int height) {
  if (row < 0 || row >= RowCount() || height < 0) return false;
  rows_[static_cast<std::size_t>(row)].height = height;
  each([&](GridObserver& o) { o.rowHeightsChanged(row, row); });
  return true;
}

int GridControl::rowHeight(int row) const {
  if (row < 0 || row >= RowCount()) return -1;
  return rows_[static_cast<std::size_t>(row)].height;
}

bool GridControl::SetColumnWidth(int column, int width) {
  if (column < 0 || column >= columnCount_ || width < 0) return false;
  columns_[static_cast<std::size_t>(column)].width = width;
  each([&](GridObserver& o) { o.columnsChanged(column, column); });
  return true;
}

int GridControl::GetColumnWidth(int column) const {
  if (column < 0 || column >= columnCount_) return -1;
  return columns_[static_cast<std::size_t>(column)].width;
}

void GridControl::SetUniformRowHeight(int height) {
  if (height < 0) return;
  defaultRowHeight_ = height;
  for (Row& r : rows_) r.height = height;
  each([&](GridObserver& o) { o.rowHeightsChanged(0, RowCount() - 1); });
}

void GridControl::SetUniformColumnWidth(int width) {
  if (width < 0) return;
  defaultColumnWidth_ = width;
  for (Column& c : columns_) c.width = width;
  if (columnCount_ > 0) each([&](GridObserver& o) { o.columnsChanged(0, columnCount_ - 1); });
}

// ---- Column types ----------------------------------------------------------------

void GridControl::RewriteNumericColumn(int column) {
  for (int r = FixedRowCount(); r < RowCount(); ++r) {
    if (column < FixedColumnCount()) break;
    std::string& t = rows_[static_cast<std::size_t>(r)].cells[static_cast<std::size_t>(column)].text;
    if (t.empty()) continue;
    const auto whole = plainInteger(t);
    t = whole && *whole != 0
            ? formatWhole(*whole, columns_[static_cast<std::size_t>(column)].decimals)
            : FormatForColumn(column, text::ToDouble(t));
  }
}

bool GridControl::SetColumnType(int column, ColumnType type) {
  const int t = static_cast<int>(type);
  if (column < 0 || column >= columnCount_ || t < 1 || t > 8) return false;
  Column& col = columns_[static_cast<std::size_t>(column)];
  col.type = type;
  if (type == ColumnType::Numeric) {
    RewriteNumericColumn(column);
  } else if (type == ColumnType::DropDown) {
    col.items = pending_;
  } else if (type == ColumnType::CheckBox && column >= FixedColumnCount()) {
    for (int r = FixedRowCount(); r < RowCount(); ++r)
      rows_[static_cast<std::size_t>(r)].cells[static_cast<std::size_t>(column)].set(
          Cell::kChecked, false);
  }
  each([&](GridObserver& o) {
    o.columnsChanged(column, column);
    o.cellsChanged(0, column, RowCount() - 1, column);
  });
  return true;
}

ColumnType GridControl::GetColumnType(int column) const {
  if (column < 0 || column >= columnCount_) return ColumnType::Text;
  return columns_[static_cast<std::size_t>(column)].type;
}

bool GridControl::SetColumnDecimals(int column, int decimals) {
  if (column < 0 || column >= columnCount_) return false;
  columns_[static_cast<std::size_t>(column)].decimals = std::clamp(decimals, 0, 15);
  if (GetColumnType(column) == ColumnType::Numeric) {
    RewriteNumericColumn(column);
    each([&](GridObserver& o) { o.cellsChanged(0, column, RowCount() - 1, column); });
  }
  return true;
}

int GridControl::columnDecimals(int column) const {
  if (column < 0 || column >= columnCount_) return 0;
  return columns_[static_cast<std::size_t>(column)].decimals;
}

void GridControl::ClearPendingListItems() { pending_.clear(); }
void GridControl::AddPendingListItem(std::string text) { pending_.push_back(std::move(text)); }

bool GridControl::AddColumnListItem(int column, std::string text) {
  if (GetColumnType(column) != ColumnType::DropDown || column < 0 || column >= columnCount_)
    return false;
  columns_[static_cast<std::size_t>(column)].items.push_back(std::move(text));
  each([&](GridObserver& o) { o.columnsChanged(column, column); });
  return true;
}

const std::vector<std::string>& GridControl::columnListItems(int column) const {
  if (column < 0 || column >= columnCount_) return kNoItems;
  return columns_[static_cast<std::size_t>(column)].items;
}

// ---- Range styles ----------------------------------------------------------------

bool GridControl::ClampRange(int& r1, int& c1, int& r2, int& c2) const {
  if (!InGrid(r1, c1)) return false;
  r2 = std::min(r2, RowCount() - 1);
  c2 = std::min(c2, columnCount_ - 1);
  return r2 >= r1 && c2 >= c1;
}

template <class F>
void GridControl::ForRange(int r1, int c1, int r2, int c2, F f) {
  if (!ClampRange(r1, c1, r2, c2)) return;
  for (int r = r1; r <= r2; ++r) {
    auto& cells = rows_[static_cast<std::size_t>(r)].cells;
    for (int c = c1; c <= c2; ++c) f(cells[static_cast<std::size_t>(c)]);
  }
  each([&](GridObserver& o) { o.cellsChanged(r1, c1, r2, c2); });
}

void GridControl::SetRangeAlignment(int r1, int c1, int r2, int c2, int mode) {
  const Alignment a = mode == 2 ? Alignment::Centre : mode == 3 ? Alignment::Right : Alignment::Left;
  ForRange(r1, c1, r2, c2, [a](Cell& c) { c.alignment = a; });
}

void GridControl::SetRangeWordWrap(int r1, int c1, int r2, int c2, bool on) {
  ForRange(r1, c1, r2, c2, [on](Cell& c) { c.set(Cell::kWrap, on); });
}

void GridControl::SetRangeReadOnly(int r1, int c1, int r2, int c2, bool on) {
  ForRange(r1, c1, r2, c2, [on](Cell& c) { c.set(Cell::kReadOnly, on); });
}

void GridControl::SetRangeBackColour(int r1, int c1, int r2, int c2, Rgb colour) {
  ForRange(r1, c1, r2, c2, [colour](Cell& c) {
    c.back = colour;
    c.set(Cell::kHasBack, true);
  });
}

void GridControl::SetRangeFontHeight(int r1, int c1, int r2, int c2, int height) {
  const auto h = static_cast<std::int16_t>(std::clamp(height, 0, 32767));
  ForRange(r1, c1, r2, c2, [h](Cell& c) { c.fontHeight = h; });
}

Rgb GridControl::GetCellBackColour(int row, int column) const {
  if (!InGrid(row, column)) return -1;
  const Cell& c = rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)];
  return c.has(Cell::kHasBack) ? c.back : defaultBack_;
}

// ---- Focus and selection -----------------------------------------------------------

void GridControl::SetCursorCell(int row, int column) {
  cursorRow_ = std::clamp(row, 0, RowCount() - 1);
  cursorColumn_ = std::clamp(column, 0, std::max(0, columnCount_ - 1));
  each([](GridObserver& o) { o.cursorChanged(); });
}

void GridControl::SelectRange(int firstRow, int firstColumn, std::optional<int> lastRow,
                              std::optional<int> lastColumn) {
  if (columnCount_ == 0) return;
  const int maxRow = RowCount() - 1;
  const int maxCol = columnCount_ - 1;
  int r1 = std::clamp(firstRow, 0, maxRow);
  int c1 = std::clamp(firstColumn, 0, maxCol);
  int r2 = std::clamp(lastRow.value_or(firstRow), 0, maxRow);
  int c2 = std::clamp(lastColumn.value_or(firstColumn), 0, maxCol);
  selFirstRow_ = std::min(r1, r2);
  selLastRow_ = std::max(r1, r2);
  selFirstColumn_ = std::min(c1, c2);
  selLastColumn_ = std::max(c1, c2);
  each([](GridObserver& o) { o.selectionChanged(); });
}

void GridControl::ClearSelection() {
  selFirstRow_ = selFirstColumn_ = selLastRow_ = selLastColumn_ = -1;
  each([](GridObserver& o) { o.selectionChanged(); });
}

int GridControl::SelectionFirstRow() const { return cellSelection_ ? selFirstRow_ : cursorRow_; }
int GridControl::SelectionFirstColumn() const {
  return cellSelection_ ? selFirstColumn_ : cursorColumn_;
}
int GridControl::SelectionLastRow() const { return cellSelection_ ? selLastRow_ : cursorRow_; }
int GridControl::SelectionLastColumn() const {
  return cellSelection_ ? selLastColumn_ : cursorColumn_;
}

void GridControl::SetCellSelection(bool on) {
  if (cellSelection_ == on) return;
  cellSelection_ = on;
  each([](GridObserver& o) {
    o.settingsChanged();
    o.selectionChanged();
  });
}

void GridControl::SetEditable(bool on) {
  if (editable_ == on) return;
  editable_ = on;
  each([](GridObserver& o) { o.settingsChanged(); });
}

void GridControl::SetShowZero(bool on) {
  if (showZero_ == on) return;
  showZero_ = on;
  each([](GridObserver& o) { o.settingsChanged(); });
}

bool GridControl::CanEditCell(int row, int column) const {
  if (!editable_ || !IsDataCell(row, column)) return false;
  if (columns_[static_cast<std::size_t>(column)].type == ColumnType::Picture) return false;
  return !rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)].has(
      Cell::kReadOnly);
}

// ---- User actions ------------------------------------------------------------------

bool GridControl::ActsNow() const { return CanAct(); }

Rect GridControl::CellRect(int row, int column) const {
  if (!InGrid(row, column)) return {-1, -1, 0, 0};
  Rect r;
  for (int c = 0; c < column; ++c) r.left += columns_[static_cast<std::size_t>(c)].width;
  for (int i = 0; i < row; ++i) r.top += rows_[static_cast<std::size_t>(i)].height;
  r.width = columns_[static_cast<std::size_t>(column)].width;
  r.height = rows_[static_cast<std::size_t>(row)].height;
  return r;
}

namespace {
void centreOf(const Rect& r, int& x, int& y) {
  x = r.left + r.width / 2;
  y = r.top + r.height / 2;
}
}  // namespace

void GridControl::ToggleCheckByUser(int row, int column) {
  editRow_ = row;
  editColumn_ = column;
  if (EditBegun) EditBegun();
  if (InGrid(row, column)) {
    Cell& c = rows_[static_cast<std::size_t>(row)].cells[static_cast<std::size_t>(column)];
    c.set(Cell::kChecked, !c.has(Cell::kChecked));
    each([&](GridObserver& o) { o.cellsChanged(row, column, row, column); });
  }
  editRow_ = editColumn_ = -1;
  if (CellEdited) CellEdited();
}

bool GridControl::LeftButtonDown(int row, int column, int modifiers) {
  int x = 0, y = 0;
  centreOf(CellRect(row, column), x, y);
  return LeftButtonDown(row, column, x, y, modifiers);
}

bool GridControl::LeftButtonDown(int row, int column, int x, int y, int modifiers) {
  if (!ActsNow() || !InGrid(row, column)) return false;
  if (editing()) CancelEdit();
  afterDoubleClick_ = false;
  pressRow_ = pressColumn_ = -1;
  if (onLeftButtonDown && !onLeftButtonDown(x, y, modifiers)) return false;
  pressRow_ = row;
  pressColumn_ = column;
  SetCursorCell(row, column);
  if (cellSelection_) SelectRange(row, column);
  return true;
}

bool GridControl::LeftButtonUp(int row, int column, int modifiers) {
  int x = 0, y = 0;
  centreOf(CellRect(row, column), x, y);
  return LeftButtonUp(row, column, x, y, modifiers);
}

bool GridControl::LeftButtonUp(int row, int column, int x, int y, int modifiers) {
  if (!ActsNow() || pressRow_ < 0) return false;
  const bool wasDouble = afterDoubleClick_;
  afterDoubleClick_ = false;
  const int pr = pressRow_;
  const int pc = pressColumn_;
  pressRow_ = pressColumn_ = -1;
  if (!wasDouble && cellSelection_ && columnCount_ > 0 && (row != pr || column != pc))
    SelectRange(pr, pc, row, column);
  if (onLeftButtonUp && !onLeftButtonUp(x, y, modifiers)) return false;
  if (wasDouble) return true;
  if (row == pr && column == pc && GetColumnType(pc) == ColumnType::CheckBox &&
      CanEditCell(pr, pc))
    ToggleCheckByUser(pr, pc);
  if (GridClicked) GridClicked(x, y);
  if (IsFixedCell(pr, pc) && HeaderClicked) HeaderClicked(pr, pc);
  return true;
}

bool GridControl::LeftDoubleClick(int row, int column, int x, int y, int modifiers) {
  if (!ActsNow() || !InGrid(row, column)) return false;
  afterDoubleClick_ = true;
  pressRow_ = row;
  pressColumn_ = column;
  if (onDoubleClick && !onDoubleClick(x, y, modifiers)) return false;
  return true;
}

bool GridControl::RightButtonUp(int row, int column, int modifiers) {
  int x = 0, y = 0;
  centreOf(CellRect(row, column), x, y);
  return RightButtonUp(row, column, x, y, modifiers);
}

int GridControl::cellAreaWidth() const {
  return cellAreaWidth_ >= 0 ? cellAreaWidth_ : std::max(0, width() - kDesignDecoration);
}

void GridControl::SetCellAreaWidth(int width) {
  width = std::max(0, width);
  if (width == cellAreaWidth_) return;
  cellAreaWidth_ = width;
  if (cellAreaResized) cellAreaResized();
}

bool GridControl::RightButtonDown(int row, int column, int modifiers) {
  int x = 0, y = 0;
  centreOf(CellRect(row, column), x, y);
  return RightButtonDown(row, column, x, y, modifiers);
}

bool GridControl::RightButtonDown(int row, int column, int x, int y, int modifiers) {
  rightPressRefused_ = false;
  if (!ActsNow() || !InGrid(row, column)) return false;
  const bool inSelection = row >= SelectionFirstRow() && row <= SelectionLastRow() &&
                           column >= SelectionFirstColumn() && column <= SelectionLastColumn();
  if (IsFixedCell(row, column) || inSelection) return true;
  if (editing()) CancelEdit();
  afterDoubleClick_ = false;
  pressRow_ = pressColumn_ = -1;
  if (onLeftButtonDown && !onLeftButtonDown(x, y, modifiers)) {
    rightPressRefused_ = true;
    return false;
  }
  SetCursorCell(row, column);
  if (cellSelection_) SelectRange(row, column);
  if (onLeftButtonUp && !onLeftButtonUp(x, y, modifiers)) {
    rightPressRefused_ = true;
    return false;
  }
  return true;
}

bool GridControl::RightButtonUp(int /*row*/, int /*column*/, int x, int y, int modifiers) {
  if (std::exchange(rightPressRefused_, false)) return false;
  if (!ActsNow()) return false;
  if (onRightButtonUp && !onRightButtonUp(x, y, modifiers)) return false;
  return true;
}

bool GridControl::Click(int row, int column, int modifiers) {
  if (!LeftButtonDown(row, column, modifiers)) return false;
  return LeftButtonUp(row, column, modifiers);
}

bool GridControl::Drag(int fromRow, int fromColumn, int toRow, int toColumn, int modifiers) {
  if (!LeftButtonDown(fromRow, fromColumn, modifiers)) return false;
  return LeftButtonUp(toRow, toColumn, modifiers);
}

bool GridControl::DoubleClick(int row, int column, int modifiers) {
  if (!InGrid(row, column)) return false;
  Click(row, column, modifiers);
  int x = 0, y = 0;
  centreOf(CellRect(row, column), x, y);
  const bool taken = LeftDoubleClick(row, column, x, y, modifiers);
  LeftButtonUp(row, column, x, y, modifiers);
  return taken;
}

bool GridControl::RightClickCell(int row, int column, int modifiers) {
  RightButtonDown(row, column, modifiers);
  return RightButtonUp(row, column, modifiers);
}

bool GridControl::RightClick(int x, int y, int modifiers) {
  return RightButtonUp(-1, -1, x, y, modifiers);
}

bool GridControl::PressKey(int key, int modifiers) {
  if (!ActsNow()) return false;
  if (onKeyDown && !onKeyDown(key, modifiers)) return false;
  int r = cursorRow_, c = cursorColumn_;
  switch (key) {
    case kKeyLeft: --c; break;
    case kKeyRight: ++c; break;
    case kKeyUp: --r; break;
    case kKeyDown: ++r; break;
    case kKeyHome: c = 0; break;
    case kKeyEnd: c = columnCount_ - 1; break;
    case kKeyPageUp: r -= 10; break;
    case kKeyPageDown: r += 10; break;
    case kKeyDelete:
      if (CanEditCell(r, c) && GetColumnType(c) != ColumnType::CheckBox) EditCell(r, c, "");
      return true;
    case kKeySpace:
      if (CanEditCell(r, c) && GetColumnType(c) == ColumnType::CheckBox) ToggleCheckByUser(r, c);
      return true;
    default: return true;
  }
  SetCursorCell(r, c);
  if (cellSelection_) SelectRange(cursorRow_, cursorColumn_);
  return true;
}

bool GridControl::BeginEdit(int row, int column) {
  if (!ActsNow() || editing() || !CanEditCell(row, column)) return false;
  if (GetColumnType(column) == ColumnType::CheckBox) return false;
  if (cursorRow_ != row || cursorColumn_ != column) SetCursorCell(row, column);
  editRow_ = row;
  editColumn_ = column;
  if (EditBegun) EditBegun();
  return true;
}

bool GridControl::CommitEdit(std::string_view text) {
  if (!editing()) return false;
  const int r = editRow_;
  const int c = editColumn_;
  const bool stored = SetCellData(r, c, CellKind::Text, std::string(text));
  editRow_ = editColumn_ = -1;
  if (CellEdited) CellEdited();
  return stored;
}

void GridControl::CancelEdit() {
  if (!editing()) return;
  editRow_ = editColumn_ = -1;
  if (CellEdited) CellEdited();
}

bool GridControl::EditCell(int row, int column, std::string_view text) {
  if (!BeginEdit(row, column)) return false;
  return CommitEdit(text);
}

bool GridControl::ChooseListItem(int row, int column, int index) {
  if (GetColumnType(column) != ColumnType::DropDown) return false;
  const auto& items = columnListItems(column);
  if (index < 0 || index >= static_cast<int>(items.size())) return false;
  const std::string item = items[static_cast<std::size_t>(index)];
  return EditCell(row, column, item);
}

bool GridControl::ResizeColumn(int column, int width) {
  if (!ActsNow() || column < 0 || column >= columnCount_ || width < 0) return false;
  SetColumnWidth(column, width);
  if (ColumnResized) ColumnResized(column);
  return true;
}

// ---- Views and sorts ---------------------------------------------------------------

void GridControl::AddObserver(GridObserver* observer) {
  if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
    observers_.push_back(observer);
}

void GridControl::RemoveObserver(GridObserver* observer) { std::erase(observers_, observer); }

void GridControl::PermuteRows(int first, const std::vector<int>& order) {
  const int n = static_cast<int>(order.size());
  if (n == 0 || first < 0 || first + n > RowCount()) return;
  std::vector<Row> moved;
  moved.reserve(order.size());
  for (int k = 0; k < n; ++k) moved.push_back(std::move(rows_[static_cast<std::size_t>(first + order[static_cast<std::size_t>(k)])]));
  for (int k = 0; k < n; ++k) {
    Row& row = moved[static_cast<std::size_t>(k)];
    row.height = defaultRowHeight_;
    for (int c = 0; c < columnCount_; ++c) {
      Cell& cell = row.cells[static_cast<std::size_t>(c)];
      cell.ResetStyle();
      // A copied row carries only what its column holds.
      const ColumnType t = columns_[static_cast<std::size_t>(c)].type;
      const bool fixed = first + k < FixedRowCount() || c < FixedColumnCount();
      if (t == ColumnType::CheckBox && !fixed) {
        cell.text.clear();
        cell.picture.reset();
      } else if (t == ColumnType::Picture) {
        cell.text.clear();
        cell.set(Cell::kChecked, false);
      } else {
        cell.set(Cell::kChecked, false);
        cell.picture.reset();
      }
    }
    rows_[static_cast<std::size_t>(first + k)] = std::move(row);
  }
  each([&](GridObserver& o) {
    o.cellsChanged(first, 0, first + n - 1, std::max(0, columnCount_ - 1));
    o.rowHeightsChanged(first, first + n - 1);
  });
}

}  // namespace ui
