#include "PageFixture.h"
#include "SvgView.h"

#include <QCoreApplication>

namespace {

using Writes = std::vector<std::string>;

Writes operator+(Writes first, const Writes& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

const Writes triggerControl = {
    "TriggerSelector=LineStart",
    "TriggerMode[TriggerSelector=LineStart]=On",
    "TriggerSource[TriggerSelector=LineStart]=Encoder0",
    "TriggerActivation[TriggerSelector=LineStart]=RisingEdge",
    "TriggerDivider[TriggerSelector=LineStart]=1",
};

Writes encoderSetup(const std::string& a, const std::string& b, const std::string& divider = "1")
{
    return {"EncoderSelector=Encoder0", "EncoderSourceA[EncoderSelector=Encoder0]=" + a,
            "EncoderSourceB[EncoderSelector=Encoder0]=" + b,
            "EncoderMode[EncoderSelector=Encoder0]=FourPhase",
            "EncoderDividerFloat[EncoderSelector=Encoder0]=" + divider};
}

Writes lineSetup(const std::string& line, const std::string& inverted)
{
    return {"LineSelector=" + line, "LineMode[LineSelector=" + line + "]=Input",
            "LineInverter[LineSelector=" + line + "]=" + inverted};
}

QStringList items(QComboBox* box)
{
    QStringList result;
    for (int i = 0; i < box->count(); ++i)
        result << box->itemText(i);
    return result;
}

const QString errorPrefix =
    "Code: [-118] - Error description: An input/output error occurred while talking to the device.";

// A page that the operator has switched to encoder mode, after the tick that followed.
class EncoderActionsTest : public PageFixture
{
protected:
    void enterEncoderMode()
    {
        showPage();
        page->rb_triggerModeEncoderSignal->click();
        tick();
        forgetWrites();
        newMessages();
    }
    QString diagram() const
    {
        auto* view = page->findChild<SvgView*>();
        return page->svgViewHolder->isVisibleTo(page.get()) ? view->fileName() : QString();
    }
    void chooseSignalType(const QString& text)
    {
        page->cb_EncoderSignalType->setCurrentIndex(page->cb_EncoderSignalType->findText(text));
    }
};

} // namespace

TEST_F(EncoderActionsTest, SwitchingModesWritesTheTriggerFeaturesAndSwapsTheContainers)
{
    showPage();
    forgetWrites();
    page->rb_triggerModeEncoderSignal->click();
    EXPECT_EQ(newWrites(),
              (Writes{"TriggerSelector=LineStart", "TriggerSource[TriggerSelector=LineStart]=Encoder0",
                      "TriggerMode[TriggerSelector=LineStart]=On"}));
    EXPECT_TRUE(page->externalModeEncoderContainer->isEnabled());
    EXPECT_FALSE(page->internalModeContainer->isEnabled());
    EXPECT_EQ(items(page->cb_EncoderSignalType),
              (QStringList{"Differential (RS422)", "Single-Ended (LVCMOS)"}));
    EXPECT_EQ(page->cb_EncoderSignalType->currentText(), "Differential (RS422)");
    EXPECT_FALSE(page->cb_EncoderSourceB->isEnabled());
    EXPECT_EQ(diagram(), ":/Linetrigger_1ch_differential.svg");

    tick(); // the camera's notifications come back: the encoder button is already checked
    EXPECT_TRUE(newWrites().empty());

    page->rb_triggerModeinternal->click();
    EXPECT_EQ(newWrites(),
              (Writes{"TriggerSelector=LineStart", "TriggerMode[TriggerSelector=LineStart]=Off"}));
    EXPECT_TRUE(page->internalModeContainer->isEnabled());
    EXPECT_FALSE(page->externalModeEncoderContainer->isEnabled());
    EXPECT_EQ(camera->value("TriggerSource", "LineStart"), "Encoder0"); // not written in internal mode
    page->rb_triggerModeinternal->click();                              // already checked: nothing
    EXPECT_TRUE(newWrites().empty());
    EXPECT_TRUE(host.entries.empty()) << host.messages().join('\n').toStdString();
}

TEST_F(EncoderActionsTest, FailedModeSwitchIsLoggedAndLeavesTheButtonAndContainers)
{
    SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
    builder.remove("TriggerSource");
    rebuild(builder);
    showPage();
    newMessages();
    page->rb_triggerModeEncoderSignal->click();
    EXPECT_EQ(newWrites(), (Writes{"TriggerSelector=LineStart"}));
    EXPECT_EQ(
        newMessages(),
        QStringList{"Error in enabling external encoder trigger modeFeature TriggerSource was not found!"});
    EXPECT_TRUE(page->rb_triggerModeEncoderSignal->isChecked());
    EXPECT_FALSE(page->externalModeEncoderContainer->isEnabled());

    camera->injectFault("TriggerMode", SimOperation::GetValue, -118, 1);
    page->rb_triggerModeinternal->click();
    EXPECT_EQ(newMessages(), QStringList{"Error in enabling internal line trigger mode" + errorPrefix});
}

TEST_F(EncoderActionsTest, CameraSwitchedElsewhereIsFollowedWithTheSelectionRestored)
{
    showPage();
    camera->write("TriggerMode", "On", "LineStart");
    camera->write("TriggerSelector", "FrameStart");
    forgetWrites();
    tick();
    EXPECT_EQ(newWrites(),
              (Writes{"TriggerSelector=LineStart", "TriggerSource[TriggerSelector=LineStart]=Encoder0",
                      // the encoder button's own sequence, run nested
                      "TriggerSelector=LineStart", "TriggerSource[TriggerSelector=LineStart]=Encoder0",
                      "TriggerMode[TriggerSelector=LineStart]=On",
                      // back to what the camera had
                      "TriggerSelector=FrameStart", "TriggerSource[TriggerSelector=FrameStart]=Software"}));
    EXPECT_TRUE(page->rb_triggerModeEncoderSignal->isChecked());
    EXPECT_EQ(camera->value("TriggerSelector"), "FrameStart");

    camera->write("TriggerMode", "Off", "LineStart");
    camera->write("TriggerSelector", "LineStart");
    camera->write("TriggerSource", "Encoder0");
    forgetWrites();
    tick();
    EXPECT_EQ(newWrites(),
              (Writes{"TriggerSelector=LineStart", "TriggerMode[TriggerSelector=LineStart]=Off"}));
    EXPECT_TRUE(page->rb_triggerModeinternal->isChecked());
}

TEST_F(EncoderActionsTest, FailedModeActivationSkipsTheRestoringWrites)
{
    showPage();
    camera->write("TriggerSelector", "FrameStart");
    camera->injectFault("TriggerMode", SimOperation::GetValue, -118, 1);
    forgetWrites();
    newMessages();
    tick();
    EXPECT_EQ(newWrites(),
              (Writes{"TriggerSelector=LineStart", "TriggerSource[TriggerSelector=LineStart]=Encoder0"}));
    EXPECT_EQ(newMessages(),
              QStringList{"Error in enabling and activating the right signal mode container" + errorPrefix});
}

TEST_F(EncoderActionsTest, TwoChannelsAndBackToOne)
{
    enterEncoderMode();
    page->cb_EncoderChannels->setCurrentText("2");
    EXPECT_EQ(newWrites(), triggerControl + encoderSetup("Line1", "Line2") + lineSetup("Line1", "false") +
                               lineSetup("Line2", "false"));
    EXPECT_EQ(items(page->cb_EncoderSignalType), QStringList{"Differential (RS422)"});
    EXPECT_EQ(items(page->cb_EncoderSourceA), (QStringList{"Off", "Line1 - IO Pin 1,6"}));
    EXPECT_EQ(items(page->cb_EncoderSourceB), (QStringList{"Off", "Line2 - IO Pin 2,7"}));
    EXPECT_TRUE(page->cb_EncoderSourceB->isEnabled());
    EXPECT_EQ(page->cb_EncoderSourceA->currentText(), "Off"); // rebuilt lists start at "Off" ...
    EXPECT_EQ(diagram(), ":/Linetrigger_2ch_differential.svg");
    tick();
    // Only what changed is heard of: channel A was Line1 before, so its box keeps "Off".
    EXPECT_EQ(page->cb_EncoderSourceA->currentText(), "Off");
    EXPECT_EQ(page->cb_EncoderSourceB->currentText(), "Line2 - IO Pin 2,7");
    EXPECT_TRUE(newWrites().empty());

    page->cb_EncoderDirection->setCurrentText("Counter-Clockwise");
    forgetWrites();
    page->cb_EncoderChannels->setCurrentText("1");
    // The direction goes to channel A's line only.
    EXPECT_EQ(newWrites(), triggerControl + encoderSetup("Line1", "Off") + lineSetup("Line1", "true"));
    EXPECT_EQ(items(page->cb_EncoderSignalType),
              (QStringList{"Differential (RS422)", "Single-Ended (LVCMOS)"}));
    EXPECT_EQ(page->cb_EncoderSignalType->currentText(), "Differential (RS422)");
    EXPECT_EQ(items(page->cb_EncoderSourceB), QStringList{"Off"});
    EXPECT_FALSE(page->cb_EncoderSourceB->isEnabled());
    EXPECT_EQ(diagram(), ":/Linetrigger_1ch_differential.svg");
    EXPECT_TRUE(host.entries.empty()) << host.messages().join('\n').toStdString();
}

TEST_F(EncoderActionsTest, DividerIsWrittenThroughSinglePrecision)
{
    enterEncoderMode();
    page->sb_EncoderDividerFlt->blockSignals(true);
    page->sb_EncoderDividerFlt->setValue(2.3);
    page->sb_EncoderDividerFlt->blockSignals(false);
    page->cb_EncoderChannels->setCurrentText("2");
    const Writes writes = newWrites();
    ASSERT_GE(writes.size(), 10u);
    // 2.3 as a float is 2.2999999523..., snapped by the camera's 0.0001 grid onto 2.2999.
    EXPECT_EQ(writes[9], "EncoderDividerFloat[EncoderSelector=Encoder0]=2.2999");
}

TEST_F(EncoderActionsTest, SingleEndedWithOneChannelThenPickingChannelALine)
{
    enterEncoderMode();
    chooseSignalType("Single-Ended (LVCMOS)");
    // The rebuilt source A list shows "Off", so "Off" is what the set-up writes for channel A.
    EXPECT_EQ(newWrites(), triggerControl + encoderSetup("Off", "Off") + lineSetup("Line1", "false"));
    EXPECT_EQ(items(page->cb_EncoderSourceA), (QStringList{"Off", "Line3 - IO Pin 3", "Line4 - IO Pin 8"}));
    EXPECT_FALSE(page->cb_EncoderSourceB->isEnabled());

    page->cb_EncoderSourceA->setCurrentText("Line3 - IO Pin 3");
    EXPECT_EQ(newWrites(),
              (Writes{"EncoderSelector=Encoder0", "EncoderSourceA[EncoderSelector=Encoder0]=Line3",
                      "EncoderMode[EncoderSelector=Encoder0]=FourPhase",
                      "EncoderDividerFloat[EncoderSelector=Encoder0]=1"} +
               lineSetup("Line3", "false")));
    EXPECT_EQ(diagram(), ":/Linetrigger_1ch_single.svg");
    page->cb_EncoderSourceA->setCurrentText("Line4 - IO Pin 8");
    EXPECT_EQ(diagram(), ":/Linetrigger_1ch_single_4.svg");
    forgetWrites();

    chooseSignalType("Differential (RS422)");
    EXPECT_EQ(newWrites(), triggerControl + encoderSetup("Line1", "Off") + lineSetup("Line1", "false"));
    EXPECT_EQ(items(page->cb_EncoderSourceA), (QStringList{"Off", "Line1 - IO Pin 1,6"}));
    EXPECT_EQ(diagram(), QString()); // chosen before the writes, from channel A on Line4
    tick();
    EXPECT_EQ(diagram(), ":/Linetrigger_1ch_differential.svg");
    EXPECT_TRUE(host.entries.empty()) << host.messages().join('\n').toStdString();
}

TEST_F(EncoderActionsTest, SignalTypeWithTwoChannelsOnlyRebuildsTheLists)
{
    enterEncoderMode();
    page->cb_EncoderChannels->setCurrentText("2");
    forgetWrites();
    page->cb_EncoderSignalType->addItem("Single-Ended (LVCMOS)");
    chooseSignalType("Single-Ended (LVCMOS)");
    EXPECT_TRUE(newWrites().empty());
    EXPECT_EQ(items(page->cb_EncoderSourceB), (QStringList{"Off", "Line2 - IO Pin 2,7"}));
    EXPECT_TRUE(page->cb_EncoderSourceB->isEnabled());
}

TEST_F(EncoderActionsTest, OddChannelTextEmptiesTheSignalTypesAndWritesNothing)
{
    enterEncoderMode();
    page->cb_EncoderChannels->addItem("3");
    page->cb_EncoderChannels->setCurrentText("3");
    EXPECT_TRUE(newWrites().empty());
    EXPECT_EQ(page->cb_EncoderSignalType->count(), 0);
}

TEST_F(EncoderActionsTest, DirectionIsWrittenToChannelAsLine)
{
    enterEncoderMode();
    page->cb_EncoderDirection->setCurrentText("Counter-Clockwise");
    EXPECT_EQ(newWrites(), lineSetup("Line1", "true"));
    page->cb_EncoderSourceA->blockSignals(true);
    page->cb_EncoderSourceA->setCurrentText("Off");
    page->cb_EncoderSourceA->blockSignals(false);
    page->cb_EncoderDirection->setCurrentText("Clockwise");
    // The camera has no line "Off": it refuses the selector and the line selected before is set.
    EXPECT_EQ(newWrites(), (Writes{"LineSelector=Off !-120", "LineMode[LineSelector=Line1]=Input",
                                   "LineInverter[LineSelector=Line1]=false"}));
}

TEST_F(EncoderActionsTest, DirectionBoxFollowsLineInverter)
{
    enterEncoderMode();
    camera->write("LineInverter", "true");
    tick();
    EXPECT_EQ(page->cb_EncoderDirection->currentText(), "Counter-Clockwise");
    EXPECT_TRUE(newWrites().empty()); // refreshed with signals blocked
    // Selecting another line changes the LineInverter value in view: the box shows Line2's.
    camera->write("LineSelector", "Line2");
    tick();
    EXPECT_EQ(page->cb_EncoderDirection->currentText(), "Clockwise");
    camera->write("LineInverter", "true", "Line1"); // not the selected line: nothing to see
    tick();
    EXPECT_EQ(page->cb_EncoderDirection->currentText(), "Clockwise");
}

TEST_F(EncoderActionsTest, SourceBChoices)
{
    enterEncoderMode();
    page->cb_EncoderChannels->setCurrentText("2");
    tick();
    page->cb_EncoderDirection->blockSignals(true);
    page->cb_EncoderDirection->setCurrentText("Counter-Clockwise");
    page->cb_EncoderDirection->blockSignals(false);
    forgetWrites();
    page->cb_EncoderSourceB->setCurrentText("Off");
    EXPECT_EQ(newWrites(),
              (Writes{"EncoderSelector=Encoder0", "EncoderSourceB[EncoderSelector=Encoder0]=Off"}));
    EXPECT_EQ(diagram(), ":/Linetrigger_1ch_differential.svg");
    page->cb_EncoderSourceB->setCurrentText("Line2 - IO Pin 2,7");
    // Line2 is set up as an input, never inverted, whatever the direction box says.
    EXPECT_EQ(newWrites(),
              (Writes{"EncoderSelector=Encoder0", "EncoderSourceB[EncoderSelector=Encoder0]=Line2",
                      "EncoderMode[EncoderSelector=Encoder0]=FourPhase",
                      "EncoderDividerFloat[EncoderSelector=Encoder0]=1"} +
               lineSetup("Line2", "false")));
    EXPECT_EQ(diagram(), ":/Linetrigger_2ch_differential.svg");
}

TEST_F(EncoderActionsTest, SourceAOffIsWrittenAsLineNameToo)
{
    enterEncoderMode();
    page->cb_EncoderSourceA->setCurrentText("Off");
    const Writes writes = newWrites();
    ASSERT_GE(writes.size(), 5u);
    EXPECT_EQ(writes[1], "EncoderSourceA[EncoderSelector=Encoder0]=Off");
    EXPECT_EQ(writes[4], "LineSelector=Off !-120");
}

TEST_F(EncoderActionsTest, MissingTriggerActivationStopsBlockOneOnly)
{
    SimCameraBuilder builder = SimCameraBuilder::lineScanCamera();
    builder.remove("TriggerActivation");
    rebuild(builder);
    enterEncoderMode();
    page->cb_EncoderChannels->setCurrentText("2");
    forgetWrites();
    newMessages();
    page->cb_EncoderChannels->setCurrentText("1");
    EXPECT_EQ(newWrites(), (Writes{"TriggerSelector=LineStart", "TriggerMode[TriggerSelector=LineStart]=On",
                                   "TriggerSource[TriggerSelector=LineStart]=Encoder0"} +
                            encoderSetup("Line1", "Off") + lineSetup("Line1", "false")));
    EXPECT_EQ(newMessages(),
              QStringList{"Error in setting the Encoder channel to 1. Unable to set a Trigger Control "
                          "parameter.Feature TriggerActivation was not found!"});
    page->cb_EncoderChannels->setCurrentText("2");
    EXPECT_EQ(newMessages(),
              QStringList{"Error of parameter setting in trigger selector part by setting encoder signal "
                          "type = differential. Feature TriggerActivation was not found!"});
}

TEST_F(EncoderActionsTest, FailuresInLaterBlocksAreLoggedAndLeaveTheDiagram)
{
    enterEncoderMode();
    camera->injectFault("EncoderMode", SimOperation::GetValue, -118, 1);
    camera->injectFault("LineMode", SimOperation::GetValue, -118, 1);
    page->cb_EncoderChannels->setCurrentText("2");
    EXPECT_EQ(
        newMessages(),
        (QStringList{"Error of parameter setting in encoder selector part by setting encoder signal type = "
                     "differential. " +
                         errorPrefix,
                     "Error of parameter setting in line selector part by setting encoder signal type = "
                     "differential. " +
                         errorPrefix}));
    // Block 2 stopped at EncoderMode's read-back, block 3 at LineMode's: the diagram is the old one.
    const Writes kept{"EncoderSelector=Encoder0",
                      "EncoderSourceA[EncoderSelector=Encoder0]=Line1",
                      "EncoderSourceB[EncoderSelector=Encoder0]=Line2",
                      "EncoderMode[EncoderSelector=Encoder0]=FourPhase",
                      "LineSelector=Line1",
                      "LineMode[LineSelector=Line1]=Input"};
    EXPECT_EQ(newWrites(), triggerControl + kept);
    EXPECT_EQ(diagram(), ":/Linetrigger_1ch_differential.svg");
}

TEST_F(EncoderActionsTest, SignalTypeBlockFailuresUseTheirTexts)
{
    enterEncoderMode();
    for (const char* feature : {"TriggerDivider", "LineInverter"})
        camera->injectFault(feature, SimOperation::GetType, -118, 1);
    camera->injectFault("EncoderSelector", SimOperation::GetValue, -118,
                        2); // the diagram's read, then block 2
    chooseSignalType("Single-Ended (LVCMOS)");
    const QStringList messages = newMessages();
    ASSERT_EQ(messages.size(), 4) << messages.join('\n').toStdString();
    EXPECT_TRUE(messages[0].startsWith("Error in updating and displaying the respective image"));
    EXPECT_EQ(messages[1],
              "Configuration error of parameters (in trigger selector part)  during setting encoder mode "
              "= single-ended" +
                  errorPrefix);
    EXPECT_EQ(messages[2],
              "Configuration error of parameters (in encoder selector part)  during setting encoder mode "
              "= single-ended" +
                  errorPrefix);
    EXPECT_EQ(messages[3],
              "Configuration error of parameters (in line selector part)  during setting encoder mode "
              "= single-ended" +
                  errorPrefix);
}

TEST_F(EncoderActionsTest, DirectionAndSourceFailureTexts)
{
    enterEncoderMode();
    camera->injectFault("LineInverter", SimOperation::GetType, -118, 1);
    page->cb_EncoderDirection->setCurrentText("Counter-Clockwise");
    camera->injectFault("EncoderSourceA", SimOperation::GetValue, -118, 1);
    page->cb_EncoderSourceA->setCurrentText("Off");
    page->cb_EncoderChannels->setCurrentText("2");
    newMessages();
    newWrites();
    camera->injectFault("EncoderSourceB", SimOperation::GetValue, -118, 1);
    page->cb_EncoderSourceB->setCurrentText("Line2 - IO Pin 2,7");
    EXPECT_EQ(newWrites(),
              (Writes{"EncoderSelector=Encoder0", "EncoderSourceB[EncoderSelector=Encoder0]=Line2"}));
    const QStringList messages = host.messages();
    EXPECT_TRUE(messages.contains(
        "Feature: LineInvertor - Error in inverting the Encoder input signal Channel A. " + errorPrefix));
    EXPECT_TRUE(messages.contains("Error in setting the selected line input Off for source A in theFeature: "
                                  "EncoderSourceA" +
                                  errorPrefix));
    EXPECT_EQ(messages.last(),
              "Error in setting the selected line input Line2 - IO Pin 2,7 for Source B in the "
              "Encoder Mode" +
                  errorPrefix);
}

TEST_F(EncoderActionsTest, InputSignalControlsWriteNothing)
{
    showPage();
    forgetWrites();
    page->ck_invertInputSignal->setChecked(true);
    page->cb_lineInputSignal->setCurrentIndex(2);
    page->sb_triggerDivider->setValue(5);
    page->rb_triggerModeInputSignal->setChecked(true);
    EXPECT_TRUE(newWrites().empty());
    EXPECT_TRUE(page->rb_triggerModeinternal->isChecked()); // not in the button group
}

TEST_F(EncoderActionsTest, ChangesMadeElsewhereFromAnSdkThreadReachThePageAtTheNextTick)
{
    camera->setNotifyMode(SimNotifyMode::Thread);
    showPage();
    camera->write("EncoderSourceA", "Line3");
    camera->write("LineInverter", "true");
    camera->write("EncoderDividerFloat", "12.5");
    camera->waitForNotifications();
    QCoreApplication::processEvents();
    EXPECT_EQ(page->cb_EncoderSourceA->currentText(), "Line1 - IO Pin 1,6"); // not before the tick
    tick();
    EXPECT_EQ(page->cb_EncoderSourceA->currentText(), "Line3 - IO Pin 3");
    EXPECT_EQ(page->cb_EncoderDirection->currentText(), "Counter-Clockwise");
    EXPECT_DOUBLE_EQ(page->sb_EncoderDividerFlt->value(), 12.5);
}

TEST_F(EncoderActionsTest, SourceValueOutsideTheFixedListLeavesTheBox)
{
    enterEncoderMode();
    page->cb_EncoderChannels->setCurrentText("2");
    page->cb_EncoderSourceA->setCurrentText("Line1 - IO Pin 1,6");
    tick();
    camera->write("EncoderSourceA", "Line2");
    tick();
    EXPECT_EQ(page->cb_EncoderSourceA->currentText(), "Line1 - IO Pin 1,6");
}

TEST_F(EncoderActionsTest, SourceBEnabledStateFollowsWritabilityOnlyWithTwoChannels)
{
    enterEncoderMode();
    camera->setWritable("EncoderSourceB", false);
    camera->write("EncoderSourceA", "Line3"); // any change: the tick refreshes both boxes
    tick();
    EXPECT_FALSE(page->cb_EncoderSourceB->isEnabled()); // one channel: left as the rebuild set it
    camera->setWritable("EncoderSourceB", true);
    page->cb_EncoderChannels->setCurrentText("2");
    camera->setWritable("EncoderSourceB", false);
    tick();
    EXPECT_FALSE(page->cb_EncoderSourceB->isEnabled());
    camera->setWritable("EncoderSourceB", true);
    tick();
    EXPECT_TRUE(page->cb_EncoderSourceB->isEnabled());
}

TEST_F(EncoderActionsTest, SourceEntriesFailureIsLoggedOnceByTheRefresh)
{
    camera->injectFault("EncoderSourceB", SimOperation::GetEntries, -118);
    showPage();
    EXPECT_TRUE(
        host.messages().contains("Error in getting the \"EncoderSourceB\" value. Error: " + errorPrefix));
    EXPECT_EQ(page->cb_EncoderSourceB->count(), 0);
    camera->injectFault("EncoderSourceA", SimOperation::GetValue, -118, 1);
    camera->write("EncoderSourceA", "Line3");
    tick();
    EXPECT_TRUE(host.messages().contains("Error in getting EncoderSourceA values." + errorPrefix));
}

namespace {

struct Derivation
{
    const char* a;
    const char* b;
    const char* channelsShown;
    const char* signalTypeShown;
    bool sourceBDisabled;
    const char* log;
};

void PrintTo(const Derivation& row, std::ostream* out)
{
    *out << "A " << row.a << ", B " << row.b;
}

class DerivationTest : public PageFixture, public ::testing::WithParamInterface<Derivation>
{
};

} // namespace

TEST_P(DerivationTest, EncoderModeDerivesChannelsAndSignalTypeFromTheCamerasLines)
{
    const Derivation& row = GetParam();
    camera->write("EncoderSourceA", row.a);
    camera->write("EncoderSourceB", row.b);
    showPage();
    forgetWrites();
    newMessages();
    page->rb_triggerModeEncoderSignal->click();
    EXPECT_EQ(page->cb_EncoderChannels->currentText(), row.channelsShown);
    EXPECT_EQ(page->cb_EncoderSignalType->currentText(), row.signalTypeShown);
    EXPECT_EQ(page->cb_EncoderSourceB->isEnabled(), !row.sourceBDisabled);
    const QStringList messages = newMessages();
    if (QString(row.log).isEmpty())
        EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    else
        EXPECT_EQ(messages, QStringList{row.log});
    const Writes modeWrites{"TriggerSelector=LineStart", "TriggerSource[TriggerSelector=LineStart]=Encoder0",
                            "TriggerMode[TriggerSelector=LineStart]=On"};
    if (QString(row.channelsShown) == "2")
        EXPECT_EQ(newWrites(), modeWrites + triggerControl + encoderSetup("Line1", "Line2") +
                                   lineSetup("Line1", "false") + lineSetup("Line2", "false"));
    else
        EXPECT_EQ(newWrites(), modeWrites); // refusals write nothing
}

INSTANTIATE_TEST_SUITE_P(
    CameraStates, DerivationTest,
    ::testing::Values(
        Derivation{"Off", "Off", "1", "Differential (RS422)", true, ""},
        Derivation{"Line1", "Off", "1", "Differential (RS422)", true, ""},
        Derivation{"Line3", "Off", "1", "Single-Ended (LVCMOS)", true, ""},
        Derivation{"Line4", "Off", "1", "Single-Ended (LVCMOS)", true, ""},
        Derivation{"Line2", "Off", "1", "Differential (RS422)", true, ""},
        Derivation{"Line1", "Line2", "2", "Differential (RS422)", false, ""},
        Derivation{"Line3", "Line2", "1", "Differential (RS422)", true,
                   "Invalid Encoder input channel combination. Channel A is Line 3 and Channel B is Line 2"},
        Derivation{"Line4", "Line2", "1", "Differential (RS422)", true,
                   "Invalid Encoder input channel combination. Channel A is Line 4 and Channel B is Line 2"},
        Derivation{"Line2", "Line2", "1", "Differential (RS422)", true, ""},
        Derivation{"Line1", "Line3", "1", "Differential (RS422)", true, ""}),
    [](const ::testing::TestParamInfo<Derivation>& info) {
        return std::string("A") + info.param.a + "_B" + info.param.b;
    });

TEST_F(EncoderActionsTest, ChannelBoxShowingTwoFallsBackToOneForASingleChannelCamera)
{
    enterEncoderMode();
    page->cb_EncoderChannels->setCurrentText("2");
    page->rb_triggerModeinternal->click();
    camera->write("EncoderSourceA", "Line4");
    camera->write("EncoderSourceB", "Off");
    forgetWrites();
    page->rb_triggerModeEncoderSignal->click();
    EXPECT_EQ(page->cb_EncoderChannels->currentText(), "1");
    EXPECT_EQ(page->cb_EncoderSignalType->currentText(), "Single-Ended (LVCMOS)");
    EXPECT_FALSE(page->cb_EncoderSourceB->isEnabled());
    // The nested one-channel sequence set channel A to Line1 before the type was derived.
    const Writes modeWrites{"TriggerSelector=LineStart", "TriggerSource[TriggerSelector=LineStart]=Encoder0",
                            "TriggerMode[TriggerSelector=LineStart]=On"};
    EXPECT_EQ(newWrites(),
              modeWrites + triggerControl + encoderSetup("Line1", "Off") + lineSetup("Line1", "false"));
}
