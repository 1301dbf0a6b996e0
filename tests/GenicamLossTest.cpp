#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QThread>

#include <gtest/gtest.h>

#include <string>

namespace {

// A network namespace of the test's own, with Aravis's fake GigE Vision camera on its loopback and
// nftables dropping packets at random: control commands and their answers, and stream packets,
// each lost with the chance given. Needs root (CI runs as root); skipped, saying why, elsewhere.
class GenicamLossTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tool = QStandardPaths::findExecutable(QStringLiteral("arv-fake-gv-camera-0.8"));
        if (tool.isEmpty())
            GTEST_SKIP() << "arv-fake-gv-camera-0.8 is not installed (Debian package aravis-tools)";
        if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("nft")).isEmpty())
            GTEST_SKIP() << "ip and nft are needed (Debian packages iproute2 and nftables)";
        QString failure;
        if (!run({"ip", "netns", "add", space}, &failure))
            GTEST_SKIP() << "no network namespace can be made here (" << failure.toStdString()
                         << "): the loss tests need root";
        made = true;
        ASSERT_TRUE(run({"ip", "netns", "exec", space, "ip", "link", "set", "lo", "up"}, &failure))
            << failure.toStdString();
    }
    void TearDown() override
    {
        if (camera) {
            camera->kill(); // by its PID: ip netns exec became the camera
            camera->waitForFinished(5000);
        }
        if (made)
            run({"ip", "netns", "del", space}, nullptr);
    }

    static bool run(const QStringList& command, QString* failure, const QByteArray& input = QByteArray())
    {
        QProcess process;
        process.start(command.first(), command.mid(1));
        process.write(input);
        process.closeWriteChannel();
        const bool done = process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit &&
                          process.exitCode() == 0;
        if (!done && failure)
            *failure = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
        return done;
    }
    // Each packet on the control channel, either way, and on the stream lost with this chance.
    void loseEveryThousand(int perThousand)
    {
        const QByteArray rules =
            QStringLiteral("table inet loss {\n"
                           "  chain out {\n"
                           "    type filter hook output priority 0;\n"
                           "    udp dport 3956 numgen random mod 1000 < %1 drop\n"
                           "    udp sport 3956 numgen random mod 1000 < %1 drop\n"
                           "    udp sport != 3956 udp dport != 3956 numgen random mod 1000 < %1 drop\n"
                           "  }\n"
                           "}\n")
                .arg(perThousand)
                .toUtf8();
        QString failure;
        ASSERT_TRUE(run({"ip", "netns", "exec", space, "nft", "-f", "-"}, &failure, rules))
            << failure.toStdString();
    }
    void startCamera()
    {
        camera = std::make_unique<QProcess>();
        camera->start("ip", {"netns", "exec", space, tool, "-i", "127.0.0.1", "-s", "40123-0042", "-g",
                             QStringLiteral(LINETRIGGER_SOURCE_DIR "/genicam/LineScanCamera.xml")});
        ASSERT_TRUE(camera->waitForStarted(5000));
        // Started is not listening: on a loaded machine the camera may take longer to bind its
        // port than the first open gives it.
        QElapsedTimer clock;
        clock.start();
        QProcess sockets;
        for (bool bound = false; !bound;) {
            ASSERT_LT(clock.elapsed(), 20000) << "the camera never listened on its control port";
            ASSERT_EQ(camera->state(), QProcess::Running) << camera->readAllStandardError().toStdString();
            sockets.start("ip", {"netns", "exec", space, "ss", "-H", "-l", "-u", "-n", "sport = :3956"});
            ASSERT_TRUE(sockets.waitForFinished(10000));
            bound = !sockets.readAllStandardOutput().trimmed().isEmpty();
            if (!bound)
                QThread::msleep(50);
        }
    }
    // The viewer as a script runs it, in the namespace: its report and its standard error.
    QJsonObject report(double seconds, QString* errors)
    {
        QProcess viewer;
        viewer.start("ip",
                     {"netns", "exec", space, "env", "QT_QPA_PLATFORM=offscreen", LINETRIGGER_VIEWER_PATH,
                      "--camera", "aravis:127.0.0.1", "--report-acquisition", QString::number(seconds)});
        EXPECT_TRUE(viewer.waitForFinished(60000));
        *errors = QString::fromLocal8Bit(viewer.readAllStandardError());
        return QJsonDocument::fromJson(viewer.readAllStandardOutput()).object();
    }

    QString tool;
    const QString space = QStringLiteral("linetrigger-loss-%1").arg(QCoreApplication::applicationPid());
    bool made = false;
    std::unique_ptr<QProcess> camera;
};

} // namespace

// 5 % of the packets lost, either way and on the stream: every open installs the page and starts
// acquisition; frames that lost packets are counted, and Aravis is never asked what it cannot say.
TEST_F(GenicamLossTest, FivePerCentLossCostsNeitherThePageNorTheStart)
{
    loseEveryThousand(50);
    startCamera();
    int installed = 0;
    int started = 0;
    double incomplete = 0;
    int retried = 0;
    for (int open = 0; open < 10; ++open) {
        QString errors;
        const QJsonObject result = report(1.5, &errors);
        SCOPED_TRACE(errors.toStdString());
        installed += result.value("pageInstalled").toBool() ? 1 : 0;
        started += result.value("lines").toDouble() > 0 ? 1 : 0;
        if (!result.value("pageInstalled").toBool() || !(result.value("lines").toDouble() > 0))
            std::printf("open %d without the page or without lines: %s\n", open, qPrintable(errors));
        incomplete += result.value("incompleteFrames").toDouble();
        EXPECT_FALSE(errors.contains("CRITICAL"));
        // The reads on the viewer's own socket asked again what the network lost.
        const QRegularExpressionMatch reads =
            QRegularExpression("reads: \\d+, (\\d+) of them sent again").match(errors);
        retried += reads.hasMatch() && reads.captured(1).toInt() > 0 ? 1 : 0;
    }
    std::printf(
        "5 %% loss: %d pages installed, %d starts, %.0f incomplete frames, reads asked again in %d opens\n",
        installed, started, incomplete, retried);
    // Instrumented, beside the rest of the suite, an open whose description Aravis had to read twice
    // may now and then miss the 10 s bound (the first read lost to the network costs seconds).
    const int required = LINETRIGGER_SANITIZE ? 9 : 10;
    EXPECT_GE(installed, required);
    EXPECT_GE(started, required);
    EXPECT_GT(incomplete, 0);
    EXPECT_GT(retried, 0);
}
