#include "PageFixture.h"
#include "SvgView.h"

#include <QFile>
#include <QGraphicsScene>
#include <QResource>
#include <QSvgRenderer>
#include <QtEndian>

namespace {

struct Drawing
{
    const char* path;
    int heightMm;
};

const Drawing drawings[] = {
    {":/Linetrigger_1ch_single.svg", 110},       {":/Linetrigger_1ch_single_4.svg", 110},
    {":/Linetrigger_2ch_single.svg", 140},       {":/Linetrigger_1ch_differential.svg", 110},
    {":/Linetrigger_2ch_differential.svg", 140},
};

class DiagramTest : public PageFixture
{
protected:
    // The page in encoder mode with the camera's encoder set to a, b and the given signal type.
    QString diagramFor(const QString& selector, const QString& a, const QString& b, const QString& signalType)
    {
        SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
        builder.find("EncoderSelector")->entries.push_back({"Encoder1", "second encoder", true});
        page.reset();
        rebuild(builder);
        showPage();
        page->rb_triggerModeEncoderSignal->click();
        camera->write("EncoderSelector", selector.toStdString());
        camera->write("EncoderSourceA", a.toStdString(), "Encoder0");
        camera->write("EncoderSourceB", b.toStdString(), "Encoder0");
        camera->write("EncoderSourceA", a.toStdString(), "Encoder1");
        camera->write("EncoderSourceB", b.toStdString(), "Encoder1");
        const QSignalBlocker blocker(page->cb_EncoderSignalType);
        page->cb_EncoderSignalType->clear();
        page->cb_EncoderSignalType->addItem(signalType);
        tick(); // the source refreshes choose the diagram
        return diagram();
    }
};

} // namespace

TEST(DiagramResources, EveryDrawingIsAValidSvgOfItsSizeStoredWithZlib)
{
    for (const Drawing& drawing : drawings) {
        QSvgRenderer renderer{QString(drawing.path)};
        ASSERT_TRUE(renderer.isValid()) << drawing.path;
        EXPECT_EQ(renderer.viewBoxF(), QRectF(0, 0, 21000, drawing.heightMm * 100)) << drawing.path;
        QFile file(drawing.path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray svg = file.readAll();
        EXPECT_TRUE(svg.contains("baseProfile=\"tiny\""));

        const QResource resource(drawing.path);
        ASSERT_TRUE(resource.isValid());
        EXPECT_EQ(resource.compressionAlgorithm(), QResource::ZlibCompression) << drawing.path;
        // Qt's compressed form: 4-byte big-endian length, then the zlib stream (0x78 header).
        const uchar* data = resource.data();
        EXPECT_EQ(qFromBigEndian<quint32>(data), quint32(svg.size()));
        EXPECT_EQ(data[4], 0x78);
    }
}

TEST_F(DiagramTest, DecisionTable)
{
    struct Row
    {
        const char* selector;
        const char* a;
        const char* b;
        const char* type;
        const char* expected;
    };
    // clang-format off
    const Row rows[] = {
        {"Encoder0", "Line1", "Line2", "Differential (RS422)", ":/Linetrigger_2ch_differential.svg"},
        {"Encoder0", "Line1", "Off", "Differential (RS422)", ":/Linetrigger_1ch_differential.svg"},
        {"Encoder0", "Line3", "Line4", "Single-Ended (LVCMOS)", ":/Linetrigger_2ch_single.svg"},
        {"Encoder0", "Line3", "Off", "Single-Ended (LVCMOS)", ":/Linetrigger_1ch_single.svg"},
        {"Encoder0", "Line4", "Off", "Single-Ended (LVCMOS)", ":/Linetrigger_1ch_single_4.svg"},
        {"Encoder0", "Line4", "Off", "SINGLE", ":/Linetrigger_1ch_single_4.svg"},
        {"Encoder0", "Line1", "Off", "Single-Ended (LVCMOS)", ""},
        {"Encoder0", "Line4", "Line3", "Single-Ended (LVCMOS)", ""},
        {"Encoder0", "Line3", "Off", "Differential (RS422)", ""},
        {"Encoder1", "Line1", "Line2", "Differential (RS422)", ""},
    };
    // clang-format on
    for (const Row& row : rows) {
        const QString shown = diagramFor(row.selector, row.a, row.b, row.type);
        EXPECT_EQ(shown, row.expected) << row.selector << " " << row.a << " " << row.b << " " << row.type;
        if (QString(row.expected).isEmpty()) {
            EXPECT_FALSE(page->svgViewHolder->isVisibleTo(page.get()));
            EXPECT_FALSE(page->svgViewHolder->sizePolicy().retainSizeWhenHidden());
        } else {
            // Fixed to 650 pixels and the drawing's proportions.
            auto* view = page->findChild<SvgView*>();
            EXPECT_EQ(view->minimumSize(), view->maximumSize());
            EXPECT_EQ(view->width(), 650);
            EXPECT_NEAR(view->height(), 650.0 * (QString(row.expected).contains("2ch") ? 140 : 110) / 210, 1);
            EXPECT_EQ(view->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        }
    }
}
