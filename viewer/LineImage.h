#pragma once

#include <QMap>
#include <QString>

#include "LineHistory.h"

// The newest lines at full resolution saved as an image, PNG or TIFF by the file's extension, with
// what they show in the file's own text fields: each as a PNG text chunk, all of them in a TIFF's
// ImageDescription. Any thread.
namespace LineImage {

// At most this many lines: the history the live view keeps.
inline constexpr int maxLines = 4096;

// Empty, or why the image was not saved.
QString save(const LineHistory::Image& lines, const QString& path, const QMap<QString, QString>& text);

} // namespace LineImage
