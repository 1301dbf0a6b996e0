#include "BasePluginWidget.h"
#include "PluginLogger.h"
#include "SimFixtures.h"
#include "TestHost.h"

#include <QCoreApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include <thread>

namespace {

// A page that records each batch it is handed.
class RecordingPage : public BasePluginWidget
{
public:
    RecordingPage(const std::vector<std::shared_ptr<Tovrik::Feature>>& features,
                  PlugInHostBaseInterface& host, const QStringList& observed)
        : BasePluginWidget(features, host, nullptr)
    {
        m_observedFeatures = observed;
    }

    void tick() { updateTimer(); }
    QStringList changed() const { return m_changedFeatures; }
    bool timerActive() const { return m_updateTimer.isActive(); }
    int timerInterval() const { return m_updateTimer.interval(); }

    std::vector<QStringList> batches;

protected:
    void handleChangedFeatures() override { batches.push_back(m_changedFeatures); }
};

class BasePluginWidgetTest : public ::testing::Test
{
protected:
    std::shared_ptr<SimCamera> camera = SimCamera::create({
        enumFeature("A", {"x", "y"}, "x"),
        enumFeature("Other", {"x", "y"}, "x"),
        enumFeature("B", {"x", "y"}, "x"),
    });
    TestHost host;
};

} // namespace

TEST_F(BasePluginWidgetTest, ShowHandlesAllObservedFeaturesAndTheFirstTickAgain)
{
    RecordingPage page(camera->features(), host, {"B", "A", "Missing"});
    EXPECT_EQ(camera->observerCount("A"), 0u);
    page.show();
    ASSERT_EQ(page.batches.size(), 1u);
    EXPECT_EQ(page.batches[0], (QStringList{"A", "B"})); // feature-list order, present features only
    EXPECT_EQ(camera->observerCount("A"), 1u);
    EXPECT_EQ(camera->observerCount("B"), 1u);
    EXPECT_EQ(camera->observerCount("Other"), 0u);
    EXPECT_TRUE(page.timerActive());
    EXPECT_EQ(page.timerInterval(), 1000);

    page.tick();
    ASSERT_EQ(page.batches.size(), 2u);
    EXPECT_EQ(page.batches[1], (QStringList{"A", "B"}));
    EXPECT_TRUE(page.changed().isEmpty());
    EXPECT_EQ(camera->observerCount("A"), 1u); // re-attached after the hook

    for (const char* value : {"y", "x", "y"}) // repeated changes collapse into one name
        camera->write("A", value);
    camera->write("Other", "y"); // not observed
    EXPECT_EQ(page.changed(), QStringList{"A"});
    page.tick();
    EXPECT_EQ(page.batches.back(), QStringList{"A"});

    page.hide();
    EXPECT_FALSE(page.timerActive());
    EXPECT_EQ(camera->observerCount("A"), 0u);
    EXPECT_TRUE(host.entries.empty());
}

TEST_F(BasePluginWidgetTest, NotificationsFromAnSdkThreadArriveAtTheNextTick)
{
    camera->setNotifyMode(SimNotifyMode::Thread);
    RecordingPage page(camera->features(), host, {"A", "B"});
    page.show();
    page.tick();
    std::thread other([&] { camera->write("B", "y"); });
    other.join();
    camera->waitForNotifications();
    EXPECT_TRUE(page.changed().isEmpty()); // still queued for the GUI thread
    QCoreApplication::processEvents();
    EXPECT_EQ(page.changed(), QStringList{"B"});
}

TEST_F(BasePluginWidgetTest, LateNotificationAfterHideIsKeptUntilTheNextShow)
{
    RecordingPage page(camera->features(), host, {"A", "B"});
    page.show();
    page.hide();
    QMetaObject::invokeMethod(&page, "OnFeatureChanged", Q_ARG(QString, "A"));
    EXPECT_EQ(page.changed(), QStringList{"A"});
    page.show();
    EXPECT_EQ(page.batches.back(), (QStringList{"A", "A", "B"})); // the show path does not deduplicate
    page.tick();
    EXPECT_TRUE(page.changed().isEmpty());
}

TEST_F(BasePluginWidgetTest, EmptyFeatureListLogsOnAttachAndDetach)
{
    {
        RecordingPage page({}, host, {"A"});
        page.show();
        page.hide();
        ASSERT_GE(host.entries.size(), 2u);
        EXPECT_EQ(host.entries[0].level, 1);
        EXPECT_EQ(host.entries[0].message, "Could not get features! List was empty.");
        EXPECT_EQ(host.entries[1].level, 1);
        EXPECT_EQ(host.entries[1].message, "Could not get features. List was empty!");
    }
    EXPECT_FALSE(static_cast<bool>(PluginLogger::instance().logMessage)); // cleared with its page
}

TEST_F(BasePluginWidgetTest, UnreadableNamesAreSkippedWithAMessage)
{
    camera->injectFault("A", SimOperation::GetName, -118);
    RecordingPage page(camera->features(), host, {"A", "B"});
    page.show();
    page.hide();
    EXPECT_EQ(host.messages(),
              (QStringList{"Failed to register observer! Could not get name of feature!",
                           "Failed to unregister observer! Could not get name of feature!"}));
    EXPECT_EQ(camera->observerCount("B"), 0u);
}

TEST_F(BasePluginWidgetTest, ObservedFeaturesDecideWhetherThePageIsOffered)
{
    EXPECT_TRUE(RecordingPage(camera->features(), host, {}).hasObservedFeature());
    EXPECT_TRUE(RecordingPage(camera->features(), host, {"Missing", "B"}).hasObservedFeature());
    EXPECT_FALSE(RecordingPage(camera->features(), host, {"Missing"}).hasObservedFeature());
    RecordingPage nothingObserved(camera->features(), host, {});
    nothingObserved.show();
    EXPECT_EQ(camera->observerCount("A"), 0u);
}

TEST_F(BasePluginWidgetTest, LoggerAndLookOfTheBase)
{
    RecordingPage page(camera->features(), host, {});
    QLabel widget; // enabled state follows writability
    for (const bool writable : {false, false, true, true}) {
        camera->setWritable("A", writable);
        page.updateEnabledState(&widget, "A");
        EXPECT_EQ(widget.isEnabled(), writable);
    }
    EXPECT_TRUE(
        page.styleSheet().contains("QDoubleSpinBox:disabled," + QString(44, ' ') + "QSpinBox:disabled"));
    EXPECT_EQ(page.focusPolicy(), Qt::StrongFocus);
    PluginLogger::instance().logMessage(PlugInHostLogLevel::Error, "through the logger");
    PluginLogger::instance().logDetails(PlugInHostLogLevel::Info, "message", "details");
    EXPECT_EQ(host.messages(), (QStringList{"through the logger", "message|details"}));
    {
        TestHost otherHost;
        RecordingPage newer(camera->features(), otherHost, {});
        EXPECT_EQ(PluginLogger::instance().owner, &newer);
    }
    // The newer page cleared the callables it installed; the older page's are gone with them.
    EXPECT_FALSE(static_cast<bool>(PluginLogger::instance().logMessage));
}
