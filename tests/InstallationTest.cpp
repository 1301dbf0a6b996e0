#include "LoadedPluginTest.h"
#include "SimFixtures.h"
#include "TestHost.h"
#include "ViewerExtensionInterface.h"

#include <QLabel>
#include <QPluginLoader>
#include <QPointer>
#include <QTabWidget>

#include <gtest/gtest.h>

namespace {

// The real plug-in library from the build tree, installed into a recording host.
class InstallationTest : public LoadedPluginTest
{
protected:
    void SetUp() override
    {
        LoadedPluginTest::SetUp();
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
        return extension->initialize(&host);
    }
    SimCameraBuilder withSerial(const std::string& serial)
    {
        return SimCameraBuilder::lineScanCamera().setInitial("DeviceSerialNumber", serial);
    }

    TestHost host;
    QWidget window;
    QTabWidget tabs;
    std::shared_ptr<SimCamera> camera;
};

} // namespace

TEST_F(InstallationTest, SupportedCameraGetsTheLineTriggerTabAfterTheHostsTabs)
{
    ASSERT_TRUE(installOn(withSerial("40000-0007")));
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

TEST_F(InstallationTest, SerialNumberFamilyDecidesSupport)
{
    const std::pair<const char*, bool> serials[] = {
        {"40000-0007", true}, {"41999", true},   {"40123-0042", true}, {"39999-1", false},
        {"42000-1", false},   {"-40000", false}, {"ABC-1", false},     {"", false},
    };
    for (const auto& serial : serials) {
        host.featureCalls = 0;
        EXPECT_EQ(installOn(withSerial(serial.first)), serial.second) << serial.first;
        EXPECT_EQ(host.featureCalls, serial.second ? 2 : 1) << serial.first;
        extension->deinitialize(&host);
    }
    EXPECT_EQ(tabs.count(), 1);
}

TEST_F(InstallationTest, CameraWithoutSerialNumberIsRefusedSilently)
{
    EXPECT_FALSE(installOn(SimCameraBuilder::lineScanCamera().remove("DeviceSerialNumber")));
    EXPECT_TRUE(host.entries.empty());
    EXPECT_TRUE(host.widgetRequests.isEmpty());
}

TEST_F(InstallationTest, CameraWithoutObservedFeaturesGetsNoPage)
{
    SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
    for (const char* name :
         {"ExposureTime", "AcquisitionLineRate", "TriggerMode", "TriggerSelector", "EncoderDividerFloat",
          "EncoderSourceA", "EncoderSourceB", "MasterSlaveMode", "LineInverter"})
        builder.remove(name);
    EXPECT_FALSE(installOn(builder));
    EXPECT_EQ(tabs.count(), 1);
    EXPECT_TRUE(window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).isEmpty());
    EXPECT_EQ(host.widgetRequests, QStringList{QString()}); // never asked for the tab widget
}

TEST_F(InstallationTest, HostWithoutTabWidgetKeepsThePageUnshown)
{
    QLabel notTabs;
    host.widgets.insert("Acquisition Control", &notTabs);
    EXPECT_FALSE(installOn(withSerial("40123-0042")));
    EXPECT_EQ(window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
    extension->deinitialize(&host);
    EXPECT_TRUE(window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).isEmpty());
}
