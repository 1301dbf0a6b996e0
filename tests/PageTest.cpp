#include "PageFixture.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGroupBox>
#include <QRadioButton>

namespace {

class PageTest : public PageFixture
{
};

// Saves what an operator would see, for a human look; only when asked for.
void saveScreenshot(QWidget* widget, const QString& name)
{
    const QString directory = qEnvironmentVariable("LINETRIGGER_SCREENSHOT_DIR");
    if (directory.isEmpty())
        return;
    QDir().mkpath(directory);
    QCoreApplication::processEvents(); // pending layout requests
    widget->grab().save(directory + "/" + name);
}

} // namespace

TEST_F(PageTest, ConstructionWritesNothingAndReadsOnlyTriggerSourceEntries)
{
    for (const auto& name : camera->featureNames()) {
        for (SimOperation operation :
             {SimOperation::GetValue, SimOperation::GetRange, SimOperation::IsAvailable,
              SimOperation::IsWritable, SimOperation::GetType}) {
            camera->injectFault(name, operation, -118); // any such read would fail loudly
        }
    }
    camera->clearFault("TriggerSource", SimOperation::IsAvailable);
    create();
    EXPECT_TRUE(camera->journal().empty());
    EXPECT_TRUE(host.entries.empty()) << host.messages().join('\n').toStdString();
    EXPECT_EQ(page->cb_lineInputSignal->count(), 6); // Line1..Line4, Encoder0, Software
    EXPECT_EQ(page->cb_lineInputSignal->itemText(0), "Line1 - IO Pin 1,6");
    EXPECT_EQ(page->cb_lineInputSignal->itemText(4), "Encoder0");
    EXPECT_TRUE(page->rb_triggerModeinternal->isChecked());
}

TEST_F(PageTest, InputSignalListShowsAvailableEntriesUnderTheirLabels)
{
    SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
    for (const char* entry : {"Line2", "Line4", "Software"})
        builder.setEntryAvailable("TriggerSource", entry, false);
    rebuild(builder);
    create();
    QStringList items;
    for (int i = 0; i < page->cb_lineInputSignal->count(); ++i)
        items << page->cb_lineInputSignal->itemText(i);
    EXPECT_EQ(items, (QStringList{"Line1 - IO Pin 1,6", "Line3 - IO Pin 3", "Encoder0"}));

    camera->injectFault("TriggerSource", SimOperation::GetEntries, -118);
    create();
    EXPECT_EQ(page->cb_lineInputSignal->count(), 0);
    EXPECT_EQ(host.messages().last(), "Error in acquiring the available line inputs and initializing the "
                                      "External-Input-signal's \"Input singal\" combo-box");
}

TEST_F(PageTest, FirstShowTakesTheCamerasStateAndRestoresItsTriggerSelection)
{
    camera->write("AcquisitionLineRate", "5000");
    camera->write("TriggerSelector", "FrameStart");
    create();
    forgetWrites();
    showPage();
    // TriggerMode is read for LineStart with source Encoder0, then the camera's selection returns.
    EXPECT_EQ(newWrites(), (std::vector<std::string>{"TriggerSelector=LineStart",
                                                     "TriggerSource[TriggerSelector=LineStart]=Encoder0",
                                                     "TriggerSelector=FrameStart",
                                                     "TriggerSource[TriggerSelector=FrameStart]=Software"}));
    EXPECT_DOUBLE_EQ(page->sb_LineRate->value(), 5000.0);
    EXPECT_DOUBLE_EQ(page->sb_ExposureTime->value(), 50.0);
    EXPECT_FALSE(page->sb_ExposureTime->isEnabled());
    EXPECT_EQ(page->cb_EncoderSourceA->currentText(), "Line1 - IO Pin 1,6");
    EXPECT_EQ(page->cb_EncoderSourceA->count(), 5);
    EXPECT_EQ(page->cb_EncoderSourceB->currentText(), "Off");
    EXPECT_TRUE(page->rb_triggerModeinternal->isChecked());
    EXPECT_TRUE(page->internalModeContainer->isEnabled());
    EXPECT_FALSE(page->externalModeEncoderContainer->isEnabled());
    EXPECT_FALSE(page->gb_LTUnavailable->isVisible());
    EXPECT_FALSE(page->gb_externalInputSignal->isVisible());
    EXPECT_TRUE(host.entries.empty()) << host.messages().join('\n').toStdString();
    EXPECT_EQ(camera->observerCount("TriggerMode"), 1u);
    EXPECT_EQ(camera->observerCount("TriggerSource"), 0u);
    saveScreenshot(page.get(), "page-internal.png");
}

TEST_F(PageTest, CameraInEncoderModeIsShownInEncoderMode)
{
    camera->write("TriggerMode", "On");
    camera->write("TriggerSource", "Encoder0");
    camera->write("EncoderSourceA", "Line3");
    showPage();
    EXPECT_TRUE(page->rb_triggerModeEncoderSignal->isChecked());
    EXPECT_TRUE(page->externalModeEncoderContainer->isEnabled());
    EXPECT_FALSE(page->internalModeContainer->isEnabled());
    EXPECT_EQ(page->cb_EncoderSignalType->currentText(), "Single-Ended (LVCMOS)");
    EXPECT_TRUE(page->svgViewHolder->isVisible());
    saveScreenshot(page.get(), "page-encoder-single.png");
}

TEST_F(PageTest, SlaveCameraShowsOnlyTheNotice)
{
    showPage();
    camera->write("MasterSlaveMode", "Slave");
    tick();
    EXPECT_TRUE(page->gb_LTUnavailable->isVisible());
    EXPECT_FALSE(page->gb_internalTrigger->isVisible());
    EXPECT_FALSE(page->gb_externalEncoderSignal->isVisible());
    EXPECT_EQ(page->label_3->text(),
              "For slave camera, it is not permissable to confiugre the line trigger settings.");
    saveScreenshot(page.get(), "page-slave.png");
    camera->write("MasterSlaveMode", "Master");
    tick();
    EXPECT_FALSE(page->gb_LTUnavailable->isVisible());
    EXPECT_TRUE(page->gb_internalTrigger->isVisible());
    EXPECT_TRUE(page->gb_externalEncoderSignal->isVisible());
    EXPECT_FALSE(page->gb_externalInputSignal->isVisible());
}

TEST_F(PageTest, SlaveLockIsCaseSensitiveAndReadFailuresAreLogged)
{
    SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
    builder.find("MasterSlaveMode")->entries.push_back({"slave", "lower case", true});
    builder.find("MasterSlaveMode")->entries.push_back({"SlaveOfMaster2", "contains it", true});
    rebuild(builder);
    showPage();
    camera->write("MasterSlaveMode", "slave");
    tick();
    EXPECT_FALSE(page->gb_LTUnavailable->isVisible());
    camera->write("MasterSlaveMode", "SlaveOfMaster2");
    tick();
    EXPECT_TRUE(page->gb_LTUnavailable->isVisible());
    camera->injectFault("MasterSlaveMode", SimOperation::GetValue, -108);
    camera->write("MasterSlaveMode", "Master");
    tick();
    EXPECT_TRUE(page->gb_LTUnavailable->isVisible()); // unchanged
    EXPECT_TRUE(host.messages().last().startsWith(" Error in updating the widget usability for change in "
                                                  "\"MasterSlaveMode\" value. Error:Code: [-108]"));
}

TEST_F(PageTest, UnavailableSourceBIsHiddenButItsLabelStays)
{
    showPage();
    page->rb_triggerModeEncoderSignal->click();
    page->cb_EncoderChannels->setCurrentText("2");
    tick();
    EXPECT_TRUE(page->cb_EncoderSourceB->isVisible());
    camera->setAvailable("EncoderSourceB", false);
    tick();
    EXPECT_FALSE(page->cb_EncoderSourceB->isVisible());
    EXPECT_FALSE(page->cb_EncoderSourceB->sizePolicy().retainSizeWhenHidden());
    EXPECT_TRUE(page->label_16->isVisible());
    camera->setAvailable("EncoderSourceB", true);
    tick();
    EXPECT_TRUE(page->cb_EncoderSourceB->isVisible());
}

TEST_F(PageTest, HiddenGroupStillGetsItsAvailableControlShown)
{
    showPage();
    page->gb_externalEncoderSignal->hide();
    page->cb_EncoderDirection->hide();
    camera->write("LineInverter", "true");
    tick();
    EXPECT_TRUE(page->cb_EncoderDirection->isVisibleTo(page->gb_externalEncoderSignal));
    EXPECT_EQ(page->cb_EncoderDirection->currentText(), "Counter-Clockwise");
}

TEST_F(PageTest, MissingLineRateHidesTheInternalGroupUntilTheLockIsLifted)
{
    SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
    builder.remove("AcquisitionLineRate");
    rebuild(builder);
    showPage();
    // The slave lock's unlocking pass runs at the first show and shows the group again.
    EXPECT_TRUE(page->gb_internalTrigger->isVisible());
    EXPECT_FALSE(page->sb_LineRate->isVisible());
    create();
    EXPECT_FALSE(page->gb_internalTrigger->isVisibleTo(page.get()));
}

TEST_F(PageTest, ExposureStaysDisabledWhateverItsWritability)
{
    showPage();
    EXPECT_FALSE(page->sb_ExposureTime->isEnabled());
    camera->write("ExposureTime", "20");
    tick();
    EXPECT_DOUBLE_EQ(page->sb_ExposureTime->value(), 20.0);
    EXPECT_FALSE(page->sb_ExposureTime->isEnabled());
}

TEST_F(PageTest, LineRateLocksWhileEncoderModeIsOn)
{
    showPage();
    EXPECT_TRUE(page->sb_LineRate->isEnabled());
    page->rb_triggerModeEncoderSignal->click();
    tick();
    EXPECT_FALSE(page->sb_LineRate->isEnabled()); // the camera made it read-only
    saveScreenshot(page.get(), "page-encoder.png");
}

TEST_F(PageTest, HidingDetachesAndShowingAgainHandlesEverythingOnce)
{
    showPage();
    page->hide();
    EXPECT_EQ(camera->observerCount("TriggerMode"), 0u);
    forgetWrites();
    camera->write("TriggerMode", "On"); // while hidden: nobody listens
    page->show();
    EXPECT_TRUE(page->rb_triggerModeEncoderSignal->isChecked());
    page.reset(); // destruction with a registered observer and live connections
    EXPECT_EQ(camera->observerCount("TriggerMode"), 0u);
}
