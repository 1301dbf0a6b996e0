#include "LineImage.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>

#include <gtest/gtest.h>

// The lines as they came, pixel for pixel, with their texts: as PNG text chunks, and in a TIFF's
// description.
TEST(LineImage, SavesTheLinesWithTheirTexts)
{
    LineHistory::Image lines;
    lines.width = 300;
    lines.lines = 7;
    for (int i = 0; i < lines.width * lines.lines; ++i)
        lines.pixels.push_back(static_cast<uint8_t>(i * 7));
    const QMap<QString, QString> text{{"Camera", "TL-4K 40123-0042"},
                                      {"Verdict", "Lines follow the encoder: square pixels."}};
    const QTemporaryDir folder;
    for (const char* name : {"lines.png", "lines.tif"}) {
        SCOPED_TRACE(name);
        const QString path = folder.filePath(name);
        ASSERT_EQ(LineImage::save(lines, path, text).toStdString(), "");
        QImageReader reader(path);
        const QImage image = reader.read();
        ASSERT_FALSE(image.isNull()) << reader.errorString().toStdString();
        EXPECT_EQ(image.size(), QSize(300, 7));
        EXPECT_EQ(qGray(image.pixel(299, 6)), static_cast<uint8_t>((6 * 300 + 299) * 7));
        if (QString(name).endsWith("png")) {
            EXPECT_EQ(image.text("Camera"), "TL-4K 40123-0042");
            EXPECT_EQ(image.text("Verdict"), "Lines follow the encoder: square pixels.");
        } else {
            // The description is kept as it is, apart from the compressed pixels.
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_TRUE(file.readAll().contains(
                "Camera: TL-4K 40123-0042\nVerdict: Lines follow the encoder: square pixels."));
        }
    }
    EXPECT_EQ(LineImage::save(lines, folder.filePath("lines.jpg"), text).toStdString(),
              "\"jpg\" is neither png nor tif nor tiff");
    EXPECT_EQ(LineImage::save(LineHistory::Image(), folder.filePath("none.png"), text).toStdString(),
              "no lines have come yet");
}
