#include "PageFixture.h"

using PageTest = PageFixture;

TEST_F(PageTest, ConstructionWritesNothingAndReadsOnlyTriggerSourceEntries)
{
    for (const auto& name : camera->featureNames()) {
        for (SimOperation operation :
             {SimOperation::GetValue, SimOperation::GetRange, SimOperation::IsAvailable,
              SimOperation::IsWritable, SimOperation::GetType})
            camera->injectFault(name, operation, -118); // any such read would fail loudly
    }
    camera->clearFault("TriggerSource", SimOperation::IsAvailable);
    for (const char* entry : {"Line2", "Software"})
        camera->setEntryAvailable("TriggerSource", entry, false);
    create();
    EXPECT_TRUE(camera->journal().empty());
    EXPECT_TRUE(host.entries.empty()) << host.messages().join('\n').toStdString();
    EXPECT_EQ(items(page->cb_lineInputSignal),
              (QStringList{"Line1 - IO Pin 1,6", "Line3 - IO Pin 3", "Line4 - IO Pin 8", "Encoder0"}));
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
    showPage();
    // TriggerMode is read for LineStart with source Encoder0, then the camera's selection returns.
    EXPECT_EQ(newWrites(), (std::vector<std::string>{"TriggerSelector=LineStart",
                                                     "TriggerSource[TriggerSelector=LineStart]=Encoder0",
                                                     "TriggerSelector=FrameStart",
                                                     "TriggerSource[TriggerSelector=FrameStart]=Software"}));
    EXPECT_DOUBLE_EQ(page->sb_LineRate->value(), 5000.0);
    EXPECT_TRUE(page->sb_LineRate->isEnabled());
    EXPECT_DOUBLE_EQ(page->sb_ExposureTime->value(), 50.0);
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
    // The exposure is shown, never edited, whatever its writability.
    camera->write("ExposureTime", "20");
    tick();
    EXPECT_DOUBLE_EQ(page->sb_ExposureTime->value(), 20.0);
    EXPECT_FALSE(page->sb_ExposureTime->isEnabled());
    page.reset(); // destroyed while shown: the observer goes with it
    EXPECT_EQ(camera->observerCount("TriggerMode"), 0u);
}

TEST_F(PageTest, SlaveCameraShowsOnlyTheNotice)
{
    SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
    builder.find("MasterSlaveMode")->entries.push_back({"slave", "lower case", true});
    builder.find("MasterSlaveMode")->entries.push_back({"SlaveOfMaster2", "contains it", true});
    rebuild(builder);
    showPage();
    const auto slaveLocked = [this](const char* mode) {
        camera->write("MasterSlaveMode", mode);
        tick();
        return page->gb_LTUnavailable->isVisible();
    };
    EXPECT_TRUE(slaveLocked("Slave"));
    EXPECT_FALSE(page->gb_internalTrigger->isVisible());
    EXPECT_FALSE(page->gb_externalEncoderSignal->isVisible());
    EXPECT_FALSE(slaveLocked("Master"));
    EXPECT_TRUE(page->gb_internalTrigger->isVisible());
    EXPECT_TRUE(page->gb_externalEncoderSignal->isVisible());
    EXPECT_FALSE(page->gb_externalInputSignal->isVisible());
    EXPECT_FALSE(slaveLocked("slave")); // case-sensitive
    EXPECT_TRUE(slaveLocked("SlaveOfMaster2"));
    camera->injectFault("MasterSlaveMode", SimOperation::GetValue, -108);
    EXPECT_TRUE(slaveLocked("Master")); // unchanged
    EXPECT_TRUE(host.messages().last().startsWith(" Error in updating the widget usability for change in "
                                                  "\"MasterSlaveMode\" value. Error:Code: [-108]"));
}

TEST_F(PageTest, UnavailableControlsAreHiddenAndShownAgain)
{
    showPage();
    page->rb_triggerModeEncoderSignal->click();
    page->cb_EncoderChannels->setCurrentText("2");
    tick();
    camera->setAvailable("EncoderSourceB", false);
    tick();
    EXPECT_FALSE(page->cb_EncoderSourceB->isVisible());
    EXPECT_FALSE(page->cb_EncoderSourceB->sizePolicy().retainSizeWhenHidden());
    EXPECT_TRUE(page->label_16->isVisible()); // its label stays
    camera->setAvailable("EncoderSourceB", true);
    tick();
    EXPECT_TRUE(page->cb_EncoderSourceB->isVisible());
    // A control under a hidden group is still shown, so that it appears with the group.
    page->gb_externalEncoderSignal->hide();
    page->cb_EncoderDirection->hide();
    camera->write("LineInverter", "true");
    tick();
    EXPECT_TRUE(page->cb_EncoderDirection->isVisibleTo(page->gb_externalEncoderSignal));
    EXPECT_EQ(page->cb_EncoderDirection->currentText(), "Counter-Clockwise");
}

TEST_F(PageTest, MissingLineRateHidesTheInternalGroupUntilTheLockIsLifted)
{
    rebuild(SimCameraBuilder::lineScanCamera().remove("AcquisitionLineRate"));
    EXPECT_FALSE(page->gb_internalTrigger->isVisibleTo(page.get()));
    showPage(); // the slave lock's unlocking pass at the first show shows the group again
    EXPECT_TRUE(page->gb_internalTrigger->isVisible());
    EXPECT_FALSE(page->sb_LineRate->isVisible());
}
