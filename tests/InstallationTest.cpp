#include "AcquisitionPanel.h"
#include "InstallationEditor.h"
#include "InstallationStore.h"
#include "SimCamera.h"
#include "SimCameraBuilder.h"
#include "SimViewerCamera.h"
#include "TriggerCheck.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString written(const QTemporaryDir& folder, const QByteArray& content)
{
    static int count = 0;
    QString path = folder.filePath(QStringLiteral("figures%1.json").arg(++count));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return path;
}

} // namespace

// The command line's figures: the bench's keys and checks, every fault in one line.
TEST(Installation, FileGivesTheFiguresOrOneLineSayingWhatIsWrong)
{
    const QTemporaryDir folder;
    const struct
    {
        QByteArray content;
        const char* problem; // empty: read
        double pulsesPerMm = 0.0;
    } files[] = {
        {R"({"pixelSize": 0.05, "encoder": {"pulsesPerRevolution": 2048, "wheelCircumference": 157.08}})", "",
         2048 / 157.08},
        {R"({"pixelSize": 0.05, "encoder": {"pulsesPerMm": 25}})", "", 25},
        {"", "illegal value at offset 0"},
        {"[1]", "the file must hold one JSON object"},
        {R"({"pixelSize": 0.1, "encoder": {"pulsesPerMm": 25}, "belt": 1})", "unknown key \"belt\""},
        {R"({"pixelSize": "0.1", "encoder": {"pulsesPerMm": 25}})", "\"pixelSize\" must be a number of mm"},
        {R"({"pixelSize": 0.1})", "\"encoder\" must be an object"},
        {R"({"pixelSize": 0.1, "encoder": {"pulsesPerMm": 25, "wheelCircumference": 100}})",
         "give pulsesPerRevolution and wheelCircumference, or pulsesPerMm"},
        {R"({"pixelSize": 0.1, "encoder": {"pulses": 25}})", "encoder: unknown key \"pulses\""},
        {R"({"pixelSize": 0, "encoder": {"pulsesPerMm": 25}})",
         "the pixel size must lie above 0 and at most 10 mm"},
        {R"({"pixelSize": 0.1, "encoder": {"pulsesPerRevolution": 10.5, "wheelCircumference": 100}})",
         "must be a whole number from 1 to 1000000, not 10.5"},
        {R"({"pixelSize": 0.1, "encoder": {"pulsesPerMm": -3}})",
         "the encoder's pulses per mm must lie from"},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.content.toStdString());
        Installation figures;
        QString error;
        const bool read = InstallationStore::readFile(written(folder, file.content), &figures, &error);
        EXPECT_EQ(read, *file.problem == '\0') << error.toStdString();
        if (read) {
            EXPECT_DOUBLE_EQ(figures.pulsesPerMm(), file.pulsesPerMm);
            EXPECT_EQ(figures.pixelSize, 0.05);
        } else {
            EXPECT_TRUE(error.startsWith(QStringLiteral("--installation: "))) << error.toStdString();
            EXPECT_TRUE(error.contains(QString::fromUtf8(file.problem))) << error.toStdString();
            EXPECT_FALSE(error.contains(QLatin1Char('\n')));
        }
    }
}

// Kept per camera: another camera, or a file edited by hand into nonsense, gets none.
TEST(Installation, StoreKeepsFiguresPerCamera)
{
    const QTemporaryDir folder;
    InstallationStore store(folder.filePath(QStringLiteral("installations.ini")));
    Installation figures;
    figures.pixelSize = 0.025;
    figures.pulsesPerMmGiven = 40;
    store.save(QStringLiteral("TL-4K 40123/0042"), figures);
    EXPECT_EQ(
        InstallationStore(folder.filePath(QStringLiteral("installations.ini"))).load("TL-4K 40123/0042"),
        figures);
    EXPECT_FALSE(store.load(QStringLiteral("TL-4K 40123-0043")));
    EXPECT_FALSE(store.load(QString())); // a camera that does not say which it is
    figures.pixelSize = -1;
    store.save(QStringLiteral("TL-4K 40123-0043"), figures);
    EXPECT_FALSE(store.load(QStringLiteral("TL-4K 40123-0043")));
    store.forget(QStringLiteral("TL-4K 40123/0042"));
    EXPECT_FALSE(store.load(QStringLiteral("TL-4K 40123/0042")));
}

// The operator's figures take the bench's place in the check, are kept for the camera, and come back
// with the next run; unticked, the camera's own count again.
TEST(Installation, EnteredFiguresAreUsedKeptAndForgotten)
{
    QStandardPaths::setTestModeEnabled(true);
    const QString identity = QStringLiteral("TL-4K line-scan camera 77777-0001");
    InstallationStore().forget(identity);
    const auto camera = [] {
        return std::make_unique<SimViewerCamera>(
            SimCameraBuilder::lineScanCamera().setInitial("DeviceSerialNumber", "77777-0001").build(),
            "test camera");
    };
    {
        auto viewerCamera = camera();
        ASSERT_EQ(viewerCamera->identity(), identity);
        AcquisitionPanel panel(*viewerCamera);
        InstallationEditor* editor = panel.installation();
        EXPECT_FALSE(editor->isChecked());
        EXPECT_EQ(editor->figures(), viewerCamera->installation()); // proposed from the bench
        editor->setChecked(true);
        editor->findChild<QDoubleSpinBox*>(QStringLiteral("pixelSize"))->setValue(0.2);
        EXPECT_EQ(panel.triggerCheck()->observation().installation->pixelSize, 0.2);
    }
    {
        auto viewerCamera = camera();
        AcquisitionPanel panel(*viewerCamera);
        EXPECT_TRUE(panel.installation()->isChecked());
        EXPECT_EQ(panel.installation()->figures().pixelSize, 0.2);
        EXPECT_EQ(panel.triggerCheck()->observation().installation->pixelSize, 0.2);
        panel.installation()->setChecked(false);
        EXPECT_FALSE(InstallationStore().load(identity));
    }
}
