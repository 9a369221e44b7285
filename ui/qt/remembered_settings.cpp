#include "ui/qt/remembered_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>
#include <QStringList>
#include <cstdlib>

namespace ui::qt {

namespace {

constexpr const char* kSchemeKey = "colour-scheme";
constexpr const char* kWindowPrefix = "window.";
// A file far larger than any the program writes is not read at all.
constexpr qint64 kMaxFileSize = 1 << 20;

std::optional<std::vector<int>> readInts(const std::string& value, std::size_t count) {
  const QStringList parts = QString::fromStdString(value).split(QLatin1Char(','));
  if (static_cast<std::size_t>(parts.size()) != count) return std::nullopt;
  std::vector<int> out;
  for (const QString& p : parts) {
    bool ok = false;
    const int v = p.trimmed().toInt(&ok);
    if (!ok || v < -100000 || v > 100000) return std::nullopt;
    out.push_back(v);
  }
  return out;
}

}  // namespace

RememberedSettings::RememberedSettings(std::string file) : file_(std::move(file)) { Read(); }

std::string RememberedSettings::DefaultFile() {
  std::string base;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && config[0] == '/')
    base = config;
  else if (const char* home = std::getenv("HOME"); home && home[0] == '/')
    base = std::string(home) + "/.config";
  if (base.empty()) return {};
  return base + "/mochuan/mochuan.conf";
}

void RememberedSettings::Read() {
  values_.clear();
  QFile f(QString::fromStdString(file_));
  if (file_.empty() || f.size() > kMaxFileSize || !f.open(QIODevice::ReadOnly)) return;
  const QByteArray bytes = f.readAll();
  for (const QByteArray& line : bytes.split('\n')) {
    const int eq = line.indexOf('=');
    if (eq <= 0) continue;
    const std::string key = QString::fromUtf8(line.left(eq)).trimmed().toStdString();
    const std::string value = QString::fromUtf8(line.mid(eq + 1)).trimmed().toStdString();
    if (!key.empty()) values_[key] = value;
  }
}

void RememberedSettings::Write() const {
  if (file_.empty()) return;
  const QFileInfo info(QString::fromStdString(file_));
  QDir().mkpath(info.absolutePath());
  QSaveFile f(info.absoluteFilePath());
  if (!f.open(QIODevice::WriteOnly)) return;
  for (const auto& [key, value] : values_) f.write(QByteArray::fromStdString(key + "=" + value + "\n"));
  f.commit();  // nothing to do when it fails: the settings are a convenience
}

int RememberedSettings::colourScheme(int fallback) const {
  auto it = values_.find(kSchemeKey);
  if (it == values_.end()) return fallback;
  const auto v = readInts(it->second, 1);
  if (!v || (*v)[0] < 1 || (*v)[0] > 3) return fallback;
  return (*v)[0];
}

void RememberedSettings::SetColourScheme(int scheme) {
  const std::string value = std::to_string(scheme);
  auto& slot = values_[kSchemeKey];
  if (slot == value) return;
  slot = value;
  Write();
}

std::optional<RememberedSettings::WindowPlace> RememberedSettings::windowPlace(
    const std::string& window) const {
  auto it = values_.find(kWindowPrefix + window);
  if (it == values_.end()) return std::nullopt;
  const auto v = readInts(it->second, 6);
  if (!v) return std::nullopt;
  const std::vector<int>& n = *v;
  if (n[2] <= 0 || n[3] <= 0 || n[4] <= 0 || n[5] <= 0) return std::nullopt;
  return WindowPlace{QRect(n[0], n[1], n[2], n[3]), QSize(n[4], n[5])};
}

void RememberedSettings::SetWindowPlace(const std::string& window, const WindowPlace& place) {
  const QRect& g = place.geometry;
  const std::string value = std::to_string(g.x()) + "," + std::to_string(g.y()) + "," +
                            std::to_string(g.width()) + "," + std::to_string(g.height()) + "," +
                            std::to_string(place.designSize.width()) + "," +
                            std::to_string(place.designSize.height());
  auto& slot = values_[kWindowPrefix + window];
  if (slot == value) return;
  slot = value;
  Write();
}

QRect placeInside(const QRect& frame, const QRect& available) {
  if (available.isEmpty()) return frame;
  QRect r = frame;
  r.setWidth(std::min(r.width(), available.width()));
  r.setHeight(std::min(r.height(), available.height()));
  if (r.right() > available.right()) r.moveRight(available.right());
  if (r.bottom() > available.bottom()) r.moveBottom(available.bottom());
  if (r.left() < available.left()) r.moveLeft(available.left());
  if (r.top() < available.top()) r.moveTop(available.top());
  return r;
}

}  // namespace ui::qt
