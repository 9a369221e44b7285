// Saving and loading a whole grid; the format is described in
// grid_file_format.md.
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "ui/grid_control.h"

namespace ui {

namespace {

constexpr std::string_view kMagic = "MCGRID 1";
constexpr long long kMaxCells = 20'000'000;

void escapeInto(std::string& out, std::string_view s) {
  for (char ch : s) {
    switch (ch) {
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += ch;
    }
  }
}

bool unescape(std::string_view s, std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\') {
      out += s[i];
      continue;
    }
    if (++i == s.size()) return false;
    switch (s[i]) {
      case '\\': out += '\\'; break;
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      default: return false;
    }
  }
  return true;
}

// Reads the next space-separated integer field from s.
bool takeInt(std::string_view& s, long long& v) {
  const std::size_t end = s.find(' ');
  const std::string_view field = s.substr(0, end);
  if (field.empty()) return false;
  const auto r = std::from_chars(field.data(), field.data() + field.size(), v);
  if (r.ec != std::errc() || r.ptr != field.data() + field.size()) return false;
  s = end == std::string_view::npos ? std::string_view() : s.substr(end + 1);
  return true;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool GridControl::SaveToFile(const std::string& path) const {
  std::string out;
  out.reserve(static_cast<std::size_t>(RowCount()) * static_cast<std::size_t>(columnCount_) * 8 + 256);
  out += kMagic;
  out += '\n';
  out += "size " + std::to_string(RowCount()) + ' ' + std::to_string(columnCount_) + '\n';
  out += "fixed " + std::to_string(fixedRows_) + ' ' + std::to_string(fixedColumns_) + '\n';
  out += "defaults " + std::to_string(defaultRowHeight_) + ' ' +
         std::to_string(defaultColumnWidth_) + '\n';
  for (int c = 0; c < columnCount_; ++c) {
    const Column& col = columns_[static_cast<std::size_t>(c)];
    out += "column " + std::to_string(c) + ' ' + std::to_string(static_cast<int>(col.type)) + ' ' +
           std::to_string(col.width) + ' ' + std::to_string(col.decimals) + '\n';
    for (const std::string& item : col.items) {
      out += "item " + std::to_string(c) + ' ';
      escapeInto(out, item);
      out += '\n';
    }
  }
  for (int r = 0; r < RowCount(); ++r) {
    const Row& row = rows_[static_cast<std::size_t>(r)];
    if (row.height != defaultRowHeight_)
      out += "height " + std::to_string(r) + ' ' + std::to_string(row.height) + '\n';
  }
  static constexpr char kHex[] = "0123456789abcdef";
  for (int r = 0; r < RowCount(); ++r) {
    const Row& row = rows_[static_cast<std::size_t>(r)];
    for (int c = 0; c < columnCount_; ++c) {
      const Cell& cell = row.cells[static_cast<std::size_t>(c)];
      const std::string at = std::to_string(r) + ' ' + std::to_string(c);
      if (!cell.text.empty()) {
        out += "cell " + at + ' ';
        escapeInto(out, cell.text);
        out += '\n';
      }
      if (cell.has(Cell::kChecked)) out += "check " + at + '\n';
      if (cell.picture && !cell.picture->empty()) {
        out += "picture " + at + ' ';
        for (std::uint8_t b : *cell.picture) {
          out += kHex[b >> 4];
          out += kHex[b & 15];
        }
        out += '\n';
      }
    }
  }
  out += "end\n";

  // Write beside the target and rename, so a failed write keeps the old file.
  const std::string temp = path + ".tmp";
  {
    std::ofstream f(temp, std::ios::binary | std::ios::trunc);
    if (!f) return false;
    f.write(out.data(), static_cast<std::streamsize>(out.size()));
    f.flush();
    if (!f) {
      f.close();
      std::remove(temp.c_str());
      return false;
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    return false;
  }
  return true;
}

bool GridControl::LoadFromFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  std::stringstream buffer;
  buffer << f.rdbuf();
  if (f.bad()) return false;
  const std::string content = buffer.str();

  std::vector<Row> rows;
  std::vector<Column> columns;
  long long nRows = -1, nCols = -1, fixR = 0, fixC = 0;
  long long defHeight = defaultRowHeight_, defWidth = defaultColumnWidth_;
  bool sawEnd = false;
  std::size_t pos = 0;
  std::size_t lineNo = 0;
  std::string scratch;

  auto cellAt = [&](std::string_view& rest, Cell*& cell) {
    long long r = 0, c = 0;
    if (!takeInt(rest, r) || !takeInt(rest, c)) return false;
    if (r < 0 || c < 0 || r >= nRows || c >= nCols) return false;
    cell = &rows[static_cast<std::size_t>(r)].cells[static_cast<std::size_t>(c)];
    return true;
  };

  while (pos < content.size()) {
    std::size_t eol = content.find('\n', pos);
    if (eol == std::string::npos) eol = content.size();
    std::string_view line(content.data() + pos, eol - pos);
    pos = eol + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ++lineNo;
    if (sawEnd) {
      if (!line.empty()) return false;
      continue;
    }
    if (lineNo == 1) {
      if (line != kMagic) return false;
      continue;
    }
    const std::size_t sp = line.find(' ');
    const std::string_view key = line.substr(0, sp);
    std::string_view rest = sp == std::string_view::npos ? std::string_view() : line.substr(sp + 1);
    const bool sized = nRows >= 0;

    if (key == "end") {
      if (!sized || !rest.empty()) return false;
      sawEnd = true;
    } else if (key == "size") {
      if (sized || !takeInt(rest, nRows) || !takeInt(rest, nCols) || !rest.empty()) return false;
      if (nRows < 1 || nCols < 0 || nRows > kMaxCells / std::max(1LL, nCols)) return false;
      Row proto;
      proto.cells.resize(static_cast<std::size_t>(nCols));
      proto.height = static_cast<int>(defHeight);
      rows.assign(static_cast<std::size_t>(nRows), proto);
      columns.assign(static_cast<std::size_t>(nCols),
                     Column{ColumnType::Text, static_cast<int>(defWidth), 0, {}});
    } else if (key == "fixed") {
      if (!takeInt(rest, fixR) || !takeInt(rest, fixC) || !rest.empty() || fixR < 0 || fixC < 0 ||
          fixR > 1'000'000 || fixC > 1'000'000)
        return false;
    } else if (key == "defaults") {
      if (!takeInt(rest, defHeight) || !takeInt(rest, defWidth) || !rest.empty() ||
          defHeight < 0 || defWidth < 0 || defHeight > 1'000'000 || defWidth > 1'000'000)
        return false;
      for (Row& r : rows) r.height = static_cast<int>(defHeight);
      for (Column& c : columns) c.width = static_cast<int>(defWidth);
    } else if (!sized) {
      return false;
    } else if (key == "column") {
      long long c = 0, type = 0, width = 0, decimals = 0;
      if (!takeInt(rest, c) || !takeInt(rest, type) || !takeInt(rest, width) ||
          !takeInt(rest, decimals) || !rest.empty())
        return false;
      if (c < 0 || c >= nCols || type < 1 || type > 8 || width < 0 || width > 1'000'000 ||
          decimals < 0 || decimals > 15)
        return false;
      Column& col = columns[static_cast<std::size_t>(c)];
      col.type = static_cast<ColumnType>(type);
      col.width = static_cast<int>(width);
      col.decimals = static_cast<int>(decimals);
    } else if (key == "item") {
      long long c = 0;
      const std::size_t s2 = rest.find(' ');
      if (s2 == std::string_view::npos) return false;
      std::string_view num = rest.substr(0, s2);
      if (!takeInt(num, c) || c < 0 || c >= nCols) return false;
      if (!unescape(rest.substr(s2 + 1), scratch)) return false;
      columns[static_cast<std::size_t>(c)].items.push_back(scratch);
    } else if (key == "height") {
      long long r = 0, h = 0;
      if (!takeInt(rest, r) || !takeInt(rest, h) || !rest.empty() || r < 0 || r >= nRows ||
          h < 0 || h > 1'000'000)
        return false;
      rows[static_cast<std::size_t>(r)].height = static_cast<int>(h);
    } else if (key == "cell") {
      // The text may hold spaces: split off the two numbers only.
      const std::size_t a = rest.find(' ');
      const std::size_t b = a == std::string_view::npos ? a : rest.find(' ', a + 1);
      if (b == std::string_view::npos) return false;
      std::string_view nums = rest.substr(0, b);
      Cell* cell = nullptr;
      if (!cellAt(nums, cell) || !nums.empty()) return false;
      if (!unescape(rest.substr(b + 1), cell->text)) return false;
    } else if (key == "check") {
      Cell* cell = nullptr;
      if (!cellAt(rest, cell) || !rest.empty()) return false;
      cell->set(Cell::kChecked, true);
    } else if (key == "picture") {
      const std::size_t a = rest.find(' ');
      const std::size_t b = a == std::string_view::npos ? a : rest.find(' ', a + 1);
      if (b == std::string_view::npos) return false;
      std::string_view nums = rest.substr(0, b);
      Cell* cell = nullptr;
      if (!cellAt(nums, cell) || !nums.empty()) return false;
      const std::string_view hex = rest.substr(b + 1);
      if (hex.size() % 2 != 0) return false;
      auto bytes = std::make_unique<Bytes>(hex.size() / 2);
      for (std::size_t i = 0; i < bytes->size(); ++i) {
        const int hi = hexValue(hex[2 * i]), lo = hexValue(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        (*bytes)[i] = static_cast<std::uint8_t>(hi * 16 + lo);
      }
      cell->picture = std::move(bytes);
    } else {
      return false;
    }
  }
  if (!sawEnd) return false;

  each([](GridObserver& o) { o.aboutToReset(); });
  if (editing()) editRow_ = editColumn_ = -1;
  rows_ = std::move(rows);
  columns_ = std::move(columns);
  columnCount_ = static_cast<int>(nCols);
  fixedRows_ = static_cast<int>(fixR);
  fixedColumns_ = static_cast<int>(fixC);
  defaultRowHeight_ = static_cast<int>(defHeight);
  defaultColumnWidth_ = static_cast<int>(defWidth);
  cursorRow_ = cursorColumn_ = 0;
  selFirstRow_ = selFirstColumn_ = selLastRow_ = selLastColumn_ = -1;
  pressRow_ = pressColumn_ = -1;
  each([](GridObserver& o) { o.reset(); });
  return true;
}

}  // namespace ui
