#include "SvgView.h"

#include <QFile>
#include <QGraphicsItem>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SvgViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(directory.isValid());
        path = directory.filePath("red.svg");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            R"(<svg xmlns="http://www.w3.org/2000/svg" version="1.2" baseProfile="tiny" width="200" height="100" viewBox="0 0 200 100"><rect x="0" y="0" width="200" height="100" fill="#e02020"/></svg>)");
    }

    QSizeF shownSize() const
    {
        const QList<QGraphicsItem*> items = view.scene()->items();
        return items.size() == 1 ? items.front()->sceneBoundingRect().size() : QSizeF();
    }

    QTemporaryDir directory;
    QString path;
    SvgView view;
};

bool isGrey(QRgb pixel)
{
    return qRed(pixel) == qGreen(pixel) && qGreen(pixel) == qBlue(pixel);
}

} // namespace

TEST_F(SvgViewTest, DrawingIsScaledUniformlyToTheWidth)
{
    ASSERT_TRUE(view.loadSvg(path, 400));
    EXPECT_EQ(shownSize(), QSizeF(400, 200));
    EXPECT_EQ(view.viewportUpdateMode(), QGraphicsView::FullViewportUpdate);

    // A reload of the drawing shown, at the same width, still follows the whole contract.
    QGraphicsItem* first = view.scene()->items().front();
    view.setRenderHints(QPainter::TextAntialiasing);
    view.scale(3, 3);
    first->setTransform(QTransform::fromScale(5, 5), true);
    ASSERT_TRUE(view.loadSvg(path, 400));
    ASSERT_EQ(view.scene()->items().size(), 1);
    EXPECT_NE(view.scene()->items().front(), first);
    EXPECT_EQ(shownSize(), QSizeF(400, 200));
    EXPECT_TRUE(view.transform().isIdentity());
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    EXPECT_EQ(view.renderHints(), QPainter::SmoothPixmapTransform | QPainter::HighQualityAntialiasing);
    QT_WARNING_POP
}

TEST_F(SvgViewTest, InvalidFileKeepsWhatIsShown)
{
    ASSERT_TRUE(view.loadSvg(path, 100));
    EXPECT_FALSE(view.loadSvg(directory.filePath("missing.svg"), 400));
    EXPECT_EQ(shownSize(), QSizeF(100, 50));
    view.clearSvg();
    EXPECT_TRUE(view.scene()->items().isEmpty());
}

TEST_F(SvgViewTest, DisabledViewPaintsGreyAndEnabledViewInColour)
{
    ASSERT_TRUE(view.loadSvg(path, 200));
    view.resize(260, 160);
    view.show();
    const QPoint centre(130, 80);
    const QRgb colour = view.grab().toImage().pixel(centre);
    EXPECT_GT(qRed(colour), 150);
    EXPECT_LT(qGreen(colour), 80);

    view.setEnabled(false);
    const QImage disabled = view.grab().toImage();
    EXPECT_TRUE(isGrey(disabled.pixel(centre)));
    EXPECT_NE(disabled.pixel(centre), qRgb(255, 255, 255));

    view.resize(300, 200); // the grey image follows the viewport
    const QImage resized = view.grab().toImage();
    EXPECT_TRUE(isGrey(resized.pixel(150, 100)));
    EXPECT_TRUE(isGrey(resized.pixel(290, 190)));

    view.setEnabled(true);
    EXPECT_GT(qRed(view.grab().toImage().pixel(150, 100)), 150);
}
