// Pictures of windows: what a window looks like on screen, its caption in a
// title strip above it, for the README and for checking layouts by eye.
#pragma once

#include <QImage>
#include <QString>

class QWidget;

namespace ui::qt {

// Renders a top-level widget with a title strip in the scheme's colour.
QImage Snapshot(QWidget& widget, const QString& caption, int scheme);
// Writes the picture as "<dir>/<name>.png"; characters a file name cannot
// hold become "_". False when it cannot be written.
bool SaveSnapshot(const QImage& image, const QString& dir, const QString& name);

}  // namespace ui::qt
