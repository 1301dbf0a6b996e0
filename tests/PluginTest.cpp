#include "PageDriver.h"
#include "SimFixtures.h"
#include "TestHost.h"
#include "ViewerExtensionInterface.h"

#include <QJsonObject>
#include <QLabel>
#include <QPluginLoader>
#include <QPointer>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace {

// The real plug-in library from the build tree, loaded as a host loads it, with a recording host.
class PluginTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        loader.setFileName(QStringLiteral(LINETRIGGER_PLUGIN_PATH));
        ASSERT_TRUE(loader.load()) << loader.errorString().toStdString();
        extension = qobject_cast<ViewerExtensionInterface*>(loader.instance());
        ASSERT_NE(extension, nullptr);
        tabs.addTab(new QLabel("device"), "Device");
        host.widgets.insert(QString(), &window);
        host.widgets.insert("Acquisition Control", &tabs);
    }
    void TearDown() override
    {
        if (extension)
            extension->deinitialize(&host);
    }

    bool installOn(const SimCameraBuilder& builder)
    {
        camera = builder.build();
        host.features = camera->features();
        host.featureCalls = 0;
        host.widgetRequests.clear();
        return extension->initialize(&host);
    }
    int pagesUnder(QWidget* widget) const
    {
        return widget->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size();
    }

    QPluginLoader loader;
    ViewerExtensionInterface* extension = nullptr;
    TestHost host;
    QWidget window;
    QTabWidget tabs;
    std::shared_ptr<SimCamera> camera;
};

} // namespace

TEST_F(PluginTest, MetadataNamesTheExtensionOfAReleaseBuildWithoutUserData)
{
    const QJsonObject metaData = loader.metaData();
    EXPECT_EQ(metaData.value("IID").toString(), "com.brennholtlabs.Plugin.LineTriggerExtension/1.0");
    EXPECT_EQ(metaData.value("className").toString(), "LineTriggerExtension");
    EXPECT_FALSE(metaData.value("debug").toBool());
    EXPECT_FALSE(metaData.contains("MetaData"));
}

TEST_F(PluginTest, OldHostIsRefusedWithOneLogEntry)
{
    host.version = 1;
    EXPECT_FALSE(installOn(SimCameraBuilder::lineScanCamera()));
    ASSERT_EQ(host.entries.size(), 1u);
    EXPECT_EQ(host.entries[0].level, 1);
    EXPECT_EQ(host.entries[0].message, "Host-Interface version mismatched.");
    EXPECT_EQ(host.featureCalls, 0);
    EXPECT_TRUE(host.widgetRequests.isEmpty());
    EXPECT_TRUE(extension->deinitialize(&host)); // without a page: harmless, twice
    EXPECT_TRUE(extension->deinitialize(&host));
    EXPECT_TRUE(extension->extensionHook1() && extension->extensionHook2());
}

TEST_F(PluginTest, SupportedCameraGetsTheLineTriggerTabAfterTheHostsTabs)
{
    ASSERT_TRUE(installOn(SimCameraBuilder::lineScanCamera()));
    ASSERT_EQ(tabs.count(), 2);
    EXPECT_EQ(tabs.tabText(1), "Line Trigger");
    EXPECT_EQ(host.featureCalls, 2);
    EXPECT_EQ(host.lastSelector, 3);
    EXPECT_EQ(host.widgetRequests, (QStringList{QString(), "Acquisition Control"}));
    EXPECT_TRUE(host.entries.empty());
    QPointer<QWidget> page = tabs.widget(1);
    extension->deinitialize(&host);
    EXPECT_TRUE(page.isNull());
    EXPECT_EQ(tabs.count(), 1);
}

TEST_F(PluginTest, SerialNumberFamilyDecidesSupportSilently)
{
    const std::pair<const char*, bool> serials[] = {
        {"40000-0007", true}, {"41999", true},   {"40123-0042", true}, {"39999-1", false},
        {"42000-1", false},   {"-40000", false}, {"ABC-1", false},     {"", false},
    };
    for (const auto& serial : serials) {
        EXPECT_EQ(
            installOn(SimCameraBuilder::lineScanCamera().setInitial("DeviceSerialNumber", serial.first)),
            serial.second)
            << serial.first;
        EXPECT_EQ(host.featureCalls, serial.second ? 2 : 1) << serial.first;
        extension->deinitialize(&host);
    }
    EXPECT_FALSE(installOn(SimCameraBuilder::lineScanCamera().remove("DeviceSerialNumber")));
    EXPECT_TRUE(host.entries.empty());
    EXPECT_TRUE(host.widgetRequests.isEmpty());
}

TEST_F(PluginTest, PageIsDroppedWithoutObservedFeaturesAndKeptUnshownWithoutTabs)
{
    SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
    for (const QString& name : observedFeatureNames())
        builder.remove(name.toStdString());
    EXPECT_FALSE(installOn(builder));
    EXPECT_EQ(pagesUnder(&window), 0);                      // built for the check, deleted again
    EXPECT_EQ(host.widgetRequests, QStringList{QString()}); // never asked for the tab widget

    QLabel notTabs;
    host.widgets.insert("Acquisition Control", &notTabs);
    EXPECT_FALSE(installOn(SimCameraBuilder::lineScanCamera()));
    EXPECT_EQ(pagesUnder(&window), 1);
    extension->deinitialize(&host);
    EXPECT_EQ(pagesUnder(&window), 0);
}
