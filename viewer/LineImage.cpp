#include "LineImage.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QStringList>

#include <tiffio.h>

#include <cstring>
#include <vector>

namespace {

// Qt's TIFF writer keeps no text: libtiff writes the description itself.
QString saveTiff(const LineHistory::Image& lines, const QString& path, const QString& description)
{
#ifdef Q_OS_WIN
    TIFF* tiff = TIFFOpenW(reinterpret_cast<const wchar_t*>(path.utf16()), "w");
#else
    TIFF* tiff = TIFFOpen(QFile::encodeName(path).constData(), "w");
#endif
    if (!tiff)
        return QStringLiteral("cannot write %1").arg(path);
    const QByteArray text = description.toUtf8();
    const QByteArray time =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")).toLatin1();
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(lines.width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(lines.lines));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
    TIFFSetField(tiff, TIFFTAG_IMAGEDESCRIPTION, text.constData());
    TIFFSetField(tiff, TIFFTAG_SOFTWARE, "linetrigger-viewer");
    TIFFSetField(tiff, TIFFTAG_DATETIME, time.constData());
    bool written = true;
    std::vector<uint8_t> row(static_cast<size_t>(lines.width));
    for (int line = 0; line < lines.lines && written; ++line) {
        std::memcpy(row.data(), lines.pixels.data() + static_cast<size_t>(line) * lines.width, row.size());
        written = TIFFWriteScanline(tiff, row.data(), static_cast<uint32_t>(line), 0) == 1;
    }
    TIFFClose(tiff);
    return written ? QString() : QStringLiteral("cannot write %1").arg(path);
}

} // namespace

namespace LineImage {

QString save(const LineHistory::Image& lines, const QString& path, const QMap<QString, QString>& text)
{
    if (lines.width <= 0 || lines.lines <= 0)
        return QStringLiteral("no lines have come yet");
    const QString suffix = QFileInfo(path).suffix().toLower();
    const bool tiff = suffix == QLatin1String("tif") || suffix == QLatin1String("tiff");
    if (!tiff && suffix != QLatin1String("png"))
        return QStringLiteral("\"%1\" is neither png nor tif nor tiff").arg(suffix);
    QStringList description;
    for (auto it = text.begin(); it != text.end(); ++it)
        description << it.key() + QStringLiteral(": ") + it.value();
    if (tiff)
        return saveTiff(lines, path, description.join(QLatin1Char('\n')));
    QImage image(lines.width, lines.lines, QImage::Format_Grayscale8);
    for (int line = 0; line < lines.lines; ++line)
        std::memcpy(image.scanLine(line), lines.pixels.data() + static_cast<size_t>(line) * lines.width,
                    static_cast<size_t>(lines.width));
    for (auto it = text.begin(); it != text.end(); ++it)
        image.setText(it.key(), it.value());
    QImageWriter writer(path, QByteArray("png"));
    if (!writer.write(image))
        return writer.errorString();
    return QString();
}

} // namespace LineImage
