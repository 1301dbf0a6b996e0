#include "PageDriver.h"
#include "PageFixture.h"

namespace {

using Writes = std::vector<std::string>;

Writes operator+(Writes first, const Writes& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

const Writes modeOn = {"TriggerSelector=LineStart", "TriggerSource[TriggerSelector=LineStart]=Encoder0",
                       "TriggerMode[TriggerSelector=LineStart]=On"};
const Writes trigger = {"TriggerSelector=LineStart", "TriggerMode[TriggerSelector=LineStart]=On",
                        "TriggerSource[TriggerSelector=LineStart]=Encoder0",
                        "TriggerActivation[TriggerSelector=LineStart]=RisingEdge",
                        "TriggerDivider[TriggerSelector=LineStart]=1"};

Writes encoder(const std::string& a, const std::string& b)
{
    return {"EncoderSelector=Encoder0", "EncoderSourceA[EncoderSelector=Encoder0]=" + a,
            "EncoderSourceB[EncoderSelector=Encoder0]=" + b,
            "EncoderMode[EncoderSelector=Encoder0]=FourPhase",
            "EncoderDividerFloat[EncoderSelector=Encoder0]=1"};
}

// A source box's own sequence: the selector, the source, mode and divider.
Writes source(const std::string& which, const std::string& line)
{
    return {"EncoderSelector=Encoder0", "EncoderSource" + which + "[EncoderSelector=Encoder0]=" + line,
            "EncoderMode[EncoderSelector=Encoder0]=FourPhase",
            "EncoderDividerFloat[EncoderSelector=Encoder0]=1"};
}

Writes line(const std::string& name, const std::string& inverted)
{
    return {"LineSelector=" + name, "LineMode[LineSelector=" + name + "]=Input",
            "LineInverter[LineSelector=" + name + "]=" + inverted};
}

const QString io =
    "Code: [-118] - Error description: An input/output error occurred while talking to the device.";

class EncoderActionsTest : public PageFixture
{
protected:
    // Shows the page and runs the actions, each followed by the page's tick.
    void prepare(const std::vector<const char*>& actions)
    {
        showPage();
        for (const char* action : actions) {
            pageAction(action).run(*page);
            tick();
        }
        forgetWrites();
        newMessages();
    }
};

struct Sequence
{
    std::vector<const char*> before;
    const char* action;
    Writes writes;
    const char* diagram = nullptr; // null: not looked at
};

} // namespace

// Every operator action writes its fixed sequence, in order, and chooses its wiring diagram.
TEST_F(EncoderActionsTest, EachActionWritesItsSequence)
{
    // clang-format off
    const Sequence sequences[] = {
        {{}, "encoder mode", modeOn, ":/Linetrigger_1ch_differential.svg"},
        {{"encoder mode"}, "internal mode", {"TriggerSelector=LineStart", "TriggerMode[TriggerSelector=LineStart]=Off"}},
        // Inverting channel A alone reverses a quadrature count: Line2 is never inverted.
        {{"encoder mode", "counter-clockwise"}, "channels 2",
         trigger + encoder("Line1", "Line2") + line("Line1", "true") + line("Line2", "false"), ":/Linetrigger_2ch_differential.svg"},
        // The direction goes to channel A's line only.
        {{"encoder mode", "channels 2", "counter-clockwise"}, "channels 1",
         trigger + encoder("Line1", "Off") + line("Line1", "true"), ":/Linetrigger_1ch_differential.svg"},
        // The rebuilt source A list shows "Off", so "Off" is what the set-up writes for channel A.
        {{"encoder mode"}, "single-ended", trigger + encoder("Off", "Off") + line("Line1", "false")},
        {{"encoder mode", "single-ended"}, "source A Line3", source("A", "Line3") + line("Line3", "false"),
         ":/Linetrigger_1ch_single.svg"},
        {{"encoder mode", "single-ended", "source A Line3"}, "source A Line4", source("A", "Line4") + line("Line4", "false"),
         ":/Linetrigger_1ch_single_4.svg"},
        // Chosen before the writes, from channel A on Line4: no drawing until the next tick.
        {{"encoder mode", "single-ended", "source A Line4"}, "differential",
         trigger + encoder("Line1", "Off") + line("Line1", "false"), ""},
        {{"encoder mode"}, "counter-clockwise", line("Line1", "true")},
        // The camera has no line "Off": it refuses the selector, the line selected before is set.
        {{"encoder mode"}, "source A Off", source("A", "Off") + Writes{"LineSelector=Off !-120",
         "LineMode[LineSelector=Line1]=Input", "LineInverter[LineSelector=Line1]=false"}},
        {{"encoder mode", "channels 2"}, "source B Off",
         {"EncoderSelector=Encoder0", "EncoderSourceB[EncoderSelector=Encoder0]=Off"}, ":/Linetrigger_1ch_differential.svg"},
        // Line2 is set up as an input, never inverted, whatever the direction box says.
        {{"encoder mode", "channels 2", "counter-clockwise", "source B Off"}, "source B Line2",
         source("B", "Line2") + line("Line2", "false"), ":/Linetrigger_2ch_differential.svg"},
    };
    // clang-format on
    for (const Sequence& sequence : sequences) {
        rebuild();
        prepare(sequence.before);
        pageAction(sequence.action).run(*page);
        EXPECT_EQ(newWrites(), sequence.writes) << sequence.action;
        if (sequence.diagram) {
            EXPECT_EQ(diagram(), sequence.diagram) << sequence.action;
        }
        EXPECT_TRUE(newMessages().isEmpty()) << sequence.action;
    }
}

TEST_F(EncoderActionsTest, ListsAndContainersFollowTheSetUp)
{
    prepare({"encoder mode"});
    EXPECT_TRUE(page->externalModeEncoderContainer->isEnabled());
    EXPECT_FALSE(page->internalModeContainer->isEnabled());
    EXPECT_EQ(items(page->cb_EncoderSignalType),
              (QStringList{"Differential (RS422)", "Single-Ended (LVCMOS)"}));
    pageAction("channels 2").run(*page);
    EXPECT_EQ(items(page->cb_EncoderSignalType), QStringList{"Differential (RS422)"});
    EXPECT_EQ(items(page->cb_EncoderSourceA), (QStringList{"Off", "Line1 - IO Pin 1,6"}));
    EXPECT_EQ(items(page->cb_EncoderSourceB), (QStringList{"Off", "Line2 - IO Pin 2,7"}));
    forgetWrites();
    page->cb_EncoderSignalType->addItem("Single-Ended (LVCMOS)"); // with two channels: lists only
    page->cb_EncoderSignalType->setCurrentText("Single-Ended (LVCMOS)");
    EXPECT_EQ(items(page->cb_EncoderSourceB), (QStringList{"Off", "Line2 - IO Pin 2,7"}));
    EXPECT_TRUE(newWrites().empty());
    tick();
    // Only what changed is heard of: channel A was Line1 before, so its box keeps "Off".
    EXPECT_EQ(page->cb_EncoderSourceA->currentText(), "Off");
    EXPECT_EQ(page->cb_EncoderSourceB->currentText(), "Line2 - IO Pin 2,7");
    camera->write("EncoderSourceA", "Line2");     // outside the fixed list: the box keeps its text
    camera->setWritable("EncoderSourceB", false); // two channels: B follows its writability
    tick();
    EXPECT_EQ(page->cb_EncoderSourceA->currentText(), "Off");
    EXPECT_FALSE(page->cb_EncoderSourceB->isEnabled());
    camera->setWritable("EncoderSourceB", true);
    tick();
    EXPECT_TRUE(page->cb_EncoderSourceB->isEnabled());
    pageAction("channels 1").run(*page);
    EXPECT_EQ(items(page->cb_EncoderSourceB), QStringList{"Off"});
    EXPECT_FALSE(page->cb_EncoderSourceB->isEnabled());
    pageAction("single-ended").run(*page);
    EXPECT_EQ(items(page->cb_EncoderSourceA), (QStringList{"Off", "Line3 - IO Pin 3", "Line4 - IO Pin 8"}));
    forgetWrites();
    page->cb_EncoderChannels->addItem("3"); // an odd count empties the types and writes nothing
    page->cb_EncoderChannels->setCurrentText("3");
    EXPECT_EQ(page->cb_EncoderSignalType->count(), 0);
    // The input-signal group is not offered: its controls write nothing and its button is not grouped.
    page->ck_invertInputSignal->setChecked(true);
    page->cb_lineInputSignal->setCurrentIndex(2);
    page->sb_triggerDivider->setValue(5);
    page->rb_triggerModeInputSignal->setChecked(true);
    EXPECT_TRUE(page->rb_triggerModeEncoderSignal->isChecked());
    EXPECT_TRUE(newWrites().empty());
}

TEST_F(EncoderActionsTest, DividerIsWrittenThroughSinglePrecision)
{
    prepare({"encoder mode"});
    const QSignalBlocker blocker(page->sb_EncoderDividerFlt);
    page->sb_EncoderDividerFlt->setValue(2.3);
    pageAction("channels 2").run(*page);
    // 2.3 as a float is 2.2999999523...; the camera's divider has no grid to floor it onto 2.2999,
    // so the box shows what was typed once the camera's value comes back.
    EXPECT_EQ(newWrites().at(9), "EncoderDividerFloat[EncoderSelector=Encoder0]=2.299999952316284");
    page->sb_EncoderDividerFlt->setValue(1.0);
    tick();
    EXPECT_EQ(page->sb_EncoderDividerFlt->text(), QStringLiteral("2.3000"));
}

TEST_F(EncoderActionsTest, CameraSwitchedElsewhereIsFollowedWithTheSelectionRestored)
{
    prepare({});
    camera->write("TriggerMode", "On", "LineStart");
    camera->write("TriggerSelector", "FrameStart");
    forgetWrites();
    tick();
    // TriggerMode is read under LineStart/Encoder0, the encoder button's own sequence runs nested,
    // then the camera's selection comes back.
    const Writes restore{"TriggerSelector=FrameStart", "TriggerSource[TriggerSelector=FrameStart]=Software"};
    EXPECT_EQ(newWrites(), Writes(modeOn.begin(), modeOn.begin() + 2) + modeOn + restore);
    EXPECT_TRUE(page->rb_triggerModeEncoderSignal->isChecked());
    camera->write("TriggerMode", "Off", "LineStart");
    camera->write("TriggerSelector", "LineStart");
    camera->write("TriggerSource", "Encoder0");
    forgetWrites();
    tick();
    EXPECT_EQ(newWrites(),
              (Writes{"TriggerSelector=LineStart", "TriggerMode[TriggerSelector=LineStart]=Off"}));
    EXPECT_TRUE(page->rb_triggerModeinternal->isChecked());
}

TEST_F(EncoderActionsTest, DirectionBoxFollowsTheSelectedLinesInverter)
{
    prepare({"encoder mode"});
    camera->write("LineInverter", "true");
    tick();
    EXPECT_EQ(page->cb_EncoderDirection->currentText(), "Counter-Clockwise");
    EXPECT_TRUE(newWrites().empty());       // refreshed with signals blocked
    camera->write("LineSelector", "Line2"); // the value in view is now Line2's
    tick();
    EXPECT_EQ(page->cb_EncoderDirection->currentText(), "Clockwise");
    camera->write("LineInverter", "true", "Line1"); // not the selected line: nothing to see
    tick();
    EXPECT_EQ(page->cb_EncoderDirection->currentText(), "Clockwise");
}

namespace {

struct Fault
{
    const char* feature;
    SimOperation operation;
    int count;
};

struct Failure
{
    const char* removed;       // from the camera, or null
    std::vector<Fault> faults; // once the page is in encoder mode
    std::vector<const char*> actions;
    QStringList messages;
};

} // namespace

// Each guarded block reports its failure with its own fixed text, the exception's text appended.
TEST_F(EncoderActionsTest, FailuresAreLoggedWithTheirBlocksTexts)
{
    const QString single =
        "Configuration error of parameters (in %1 selector part)  during setting encoder mode "
        "= single-ended" +
        io;
    const QString differential =
        "Error of parameter setting in %1 selector part by setting encoder signal type = "
        "differential. ";
    const QString missing = "Feature TriggerActivation was not found!";
    using Op = SimOperation;
    // clang-format off
    const Failure failures[] = {
        {nullptr, {{"TriggerMode", Op::GetValue, 1}}, {"internal mode"}, {"Error in enabling internal line trigger mode" + io}},
        {"TriggerActivation", {}, {"channels 2", "channels 1"}, {differential.arg("trigger") + missing,
         "Error in setting the Encoder channel to 1. Unable to set a Trigger Control parameter." + missing}},
        // Block 2 stops at EncoderMode's read-back, block 3 at LineMode's.
        {nullptr, {{"EncoderMode", Op::GetValue, 1}, {"LineMode", Op::GetValue, 1}}, {"channels 2"},
         {differential.arg("encoder") + io, differential.arg("line") + io}},
        // EncoderSelector's first failure is the diagram's, the second block 2's.
        {nullptr, {{"TriggerDivider", Op::GetType, 1}, {"LineInverter", Op::GetType, 1}, {"EncoderSelector", Op::GetValue, 2}},
         {"single-ended"}, {"Error in updating and displaying the respective image of selected encoder signal setup." + io,
          single.arg("trigger"), single.arg("encoder"), single.arg("line")}},
        {nullptr, {{"LineInverter", Op::GetType, 1}}, {"counter-clockwise"},
         {"Feature: LineInvertor - Error in inverting the Encoder input signal Channel A. " + io}},
        // No blank between "in the" and "Feature": the text has always read so.
        {nullptr, {{"EncoderSourceA", Op::GetValue, 1}}, {"source A Off"},
         {"Error in setting the selected line input Off for source A in theFeature: EncoderSourceA" + io}},
        {nullptr, {{"EncoderSourceB", Op::GetValue, 1}}, {"source B Line2"},
         {"Error in setting the selected line input Line2 - IO Pin 2,7 for Source B in the Encoder Mode" + io}},
        {nullptr, {{"EncoderSourceA", Op::GetValue, 1}}, {"full refresh"}, {"Error in getting EncoderSourceA values." + io}},
    };
    // clang-format on
    for (const Failure& failure : failures) {
        rebuild(SimCameraBuilder::lineScanCamera().remove(failure.removed ? failure.removed : ""));
        prepare({"encoder mode"});
        for (const Fault& fault : failure.faults)
            camera->injectFault(fault.feature, fault.operation, -118, fault.count);
        for (const char* action : failure.actions)
            pageAction(action).run(*page);
        EXPECT_EQ(newMessages(), failure.messages) << failure.actions.front();
    }
}

TEST_F(EncoderActionsTest, FailedModeSwitchKeepsTheButtonAndTheContainers)
{
    rebuild(SimCameraBuilder::lineScanCamera().remove("TriggerSource"));
    prepare({});
    pageAction("encoder mode").run(*page);
    EXPECT_EQ(newWrites(), Writes{"TriggerSelector=LineStart"});
    EXPECT_EQ(
        newMessages(),
        QStringList{"Error in enabling external encoder trigger modeFeature TriggerSource was not found!"});
    EXPECT_TRUE(page->rb_triggerModeEncoderSignal->isChecked());
    EXPECT_FALSE(page->externalModeEncoderContainer->isEnabled());
    // A failed activation skips the writes that would restore the camera's selection.
    rebuild();
    prepare({});
    camera->write("TriggerSelector", "FrameStart");
    camera->injectFault("TriggerMode", SimOperation::GetValue, -118, 1);
    forgetWrites();
    tick();
    EXPECT_EQ(newWrites(),
              (Writes{"TriggerSelector=LineStart", "TriggerSource[TriggerSelector=LineStart]=Encoder0"}));
    EXPECT_EQ(newMessages(),
              QStringList{"Error in enabling and activating the right signal mode container" + io});
}

TEST_F(EncoderActionsTest, SourceEntriesFailureIsLoggedByTheRefresh)
{
    camera->injectFault("EncoderSourceB", SimOperation::GetEntries, -118);
    showPage();
    EXPECT_TRUE(host.messages().contains("Error in getting the \"EncoderSourceB\" value. Error: " + io));
    EXPECT_EQ(page->cb_EncoderSourceB->count(), 0);
}

namespace {

struct Derivation
{
    const char* a;
    const char* b;
    const char* channels;
    const char* signalType;
    const char* log;
    std::vector<const char*> before = {}; // page actions before the camera takes a, b
};

class DerivationTest : public EncoderActionsTest, public ::testing::WithParamInterface<Derivation>
{
};

} // namespace

TEST_P(DerivationTest, EncoderModeDerivesChannelsAndSignalTypeFromTheCamerasLines)
{
    const Derivation& row = GetParam();
    prepare(row.before);
    camera->write("EncoderSourceA", row.a);
    camera->write("EncoderSourceB", row.b);
    forgetWrites();
    pageAction("encoder mode").run(*page);
    EXPECT_EQ(page->cb_EncoderChannels->currentText(), row.channels);
    EXPECT_EQ(page->cb_EncoderSignalType->currentText(), row.signalType);
    EXPECT_EQ(page->cb_EncoderSourceB->isEnabled(), QString(row.channels) == "2");
    EXPECT_EQ(newMessages(), QString(row.log).isEmpty() ? QStringList() : QStringList{row.log});
    // A count the box already shows writes nothing; a changed one runs its whole sequence, nested.
    if (QString(row.channels) == "2")
        EXPECT_EQ(newWrites(), modeOn + trigger + encoder("Line1", "Line2") + line("Line1", "false") +
                                   line("Line2", "false"));
    else if (!row.before.empty())
        EXPECT_EQ(newWrites(), modeOn + trigger + encoder("Line1", "Off") + line("Line1", "false"));
    else
        EXPECT_EQ(newWrites(), modeOn);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(CameraStates, DerivationTest, ::testing::Values(
    Derivation{"Off", "Off", "1", "Differential (RS422)", ""}, Derivation{"Line1", "Off", "1", "Differential (RS422)", ""},
    Derivation{"Line3", "Off", "1", "Single-Ended (LVCMOS)", ""}, Derivation{"Line4", "Off", "1", "Single-Ended (LVCMOS)", ""},
    Derivation{"Line2", "Off", "1", "Differential (RS422)", ""}, Derivation{"Line1", "Line2", "2", "Differential (RS422)", ""},
    Derivation{"Line3", "Line2", "1", "Differential (RS422)", "Invalid Encoder input channel combination. Channel A is Line 3 and Channel B is Line 2"},
    Derivation{"Line4", "Line2", "1", "Differential (RS422)", "Invalid Encoder input channel combination. Channel A is Line 4 and Channel B is Line 2"},
    Derivation{"Line2", "Line2", "1", "Differential (RS422)", ""}, Derivation{"Line1", "Line3", "1", "Differential (RS422)", ""},
    // The box showing two falls back to one; the nested one-channel set-up writes channel A as Line1 before the
    // type is derived.
    Derivation{"Line4", "Off", "1", "Single-Ended (LVCMOS)", "", {"encoder mode", "channels 2", "internal mode"}}),
    [](const ::testing::TestParamInfo<Derivation>& info) {
        return std::string("A") + info.param.a + "_B" + info.param.b + (info.param.before.empty() ? "" : "_after2");
    });
// clang-format on
