#include <arv.h>

#include "GenicamFixtures.h"
#include "LineTriggerWidget.h"
#include "PageDriver.h"
#include "SimCamera.h"
#include "SimCameraBuilder.h"
#include "TestHost.h"

#include <QCoreApplication>

#include <map>

namespace {

using State = std::map<std::string, std::string>;

const std::vector<std::pair<std::string, std::vector<std::string>>> selectedFeatures = {
    {"TriggerSelector", {"TriggerMode", "TriggerSource", "TriggerActivation", "TriggerDivider"}},
    {"EncoderSelector", {"EncoderSourceA", "EncoderSourceB", "EncoderMode", "EncoderDividerFloat"}},
    {"LineSelector", {"LineMode", "LineInverter"}},
};
const std::vector<std::string> plainFeatures = {"MasterSlaveMode", "AcquisitionLineRate", "ExposureTime",
                                                "TriggerSelector", "EncoderSelector",     "LineSelector"};

// Every value of the camera, each selected feature under every selector entry; the selectors are
// put back as they were.
State stateOf(GenicamCamera& camera)
{
    State state;
    for (const std::string& name : plainFeatures)
        state[name] = camera.value(name);
    const std::shared_ptr<SimCamera> shape = SimCameraBuilder::lineScanCamera().build();
    for (const auto& group : selectedFeatures) {
        for (const SimEntry& entry : shape->definition(group.first).entries) {
            camera.writeSettings({{group.first, entry.name}});
            for (const std::string& name : group.second)
                state[name + "[" + entry.name + "]"] = camera.value(name);
        }
        camera.writeSettings({{group.first, state[group.first]}});
    }
    return state;
}

State stateOf(const SimCamera& camera)
{
    State state;
    for (const std::string& name : plainFeatures)
        state[name] = camera.value(name);
    for (const auto& group : selectedFeatures) {
        for (const SimEntry& entry : camera.definition(group.first).entries) {
            for (const std::string& name : group.second)
                state[name + "[" + entry.name + "]"] = camera.value(name, entry.name);
        }
    }
    return state;
}

// What the operator sees of the trigger set-up.
QStringList pageState(const LineTriggerWidget& page)
{
    return {page.rb_triggerModeinternal->isChecked() ? "internal" : "encoder",
            page.cb_EncoderChannels->currentText(),
            page.cb_EncoderSignalType->currentText(),
            page.cb_EncoderSourceA->currentText(),
            page.cb_EncoderSourceB->currentText(),
            page.cb_EncoderDirection->currentText(),
            QString::number(page.sb_EncoderDividerFlt->value())};
}

// The same page on a camera: opened, shown, refreshed.
struct PageOn
{
    explicit PageOn(const std::vector<std::shared_ptr<Tovrik::Feature>>& features)
        : page(std::make_unique<LineTriggerWidget>(features, host, nullptr))
    {
        page->resize(685, 918);
        page->show();
    }
    void tick() { QMetaObject::invokeMethod(page.get(), "updateTimer"); }

    TestHost host;
    std::unique_ptr<LineTriggerWidget> page;
};

void settle(GenicamCamera& camera, PageOn& on)
{
    camera.pollNow(); // changes found are queued to the page ...
    QCoreApplication::processEvents();
    on.tick(); // ... and shown at its next tick
}

} // namespace

using GenicamPageTest = GenicamFakeTest;

// Each step runs on the page over Aravis and on the page over the simulated camera; afterwards
// both cameras hold the same values everywhere and both pages show the same.
TEST_F(GenicamPageTest, OperatorActionsLeaveTheSameCameraStateAsOnTheSimulatedCamera)
{
    const std::shared_ptr<SimCamera> sim = SimCameraBuilder::lineScanCamera().build();
    PageOn onSim(sim->features());
    PageOn onFake(camera->features());
    settle(*camera, onFake);
    onSim.tick();
    ASSERT_EQ(stateOf(*camera), stateOf(*sim));

    for (const char* step :
         {"encoder mode", "channels 2", "counter-clockwise", "channels 1", "single-ended", "source A Line3",
          "clockwise", "source A Line4", "differential", "internal mode", "encoder mode"}) {
        pageAction(step).run(*onSim.page);
        pageAction(step).run(*onFake.page);
        onSim.tick();
        settle(*camera, onFake);
        EXPECT_EQ(stateOf(*camera), stateOf(*sim)) << "after " << step;
        EXPECT_EQ(pageState(*onFake.page), pageState(*onSim.page)) << "after " << step;
    }
    EXPECT_TRUE(onFake.host.entries.empty()) << onFake.host.messages().join('\n').toStdString();
}

TEST_F(GenicamPageTest, EncoderSetUpEndsInTheExpectedRegisters)
{
    PageOn on(camera->features());
    settle(*camera, on);
    on.page->rb_triggerModeEncoderSignal->click();
    on.page->cb_EncoderDirection->setCurrentText("Counter-Clockwise");
    on.page->cb_EncoderChannels->setCurrentText("2");
    settle(*camera, on);

    EXPECT_EQ(reg(0x2020), 0u); // TriggerSelector LineStart
    EXPECT_EQ(reg(0x2100), 1u); // LineStart TriggerMode On
    EXPECT_EQ(reg(0x2200), 4u); // LineStart TriggerSource Encoder0
    EXPECT_EQ(reg(0x2300), 0u); // RisingEdge
    EXPECT_EQ(reg(0x2400), 1u); // divider 1
    EXPECT_EQ(reg(0x2600), 1u); // EncoderSourceA Line1
    EXPECT_EQ(reg(0x2700), 2u); // EncoderSourceB Line2
    EXPECT_EQ(reg(0x2800), 0u); // FourPhase
    EXPECT_EQ(doubleReg(0x2900), 1.0);
    EXPECT_EQ(reg(0x2b00), 0u); // Line1 input
    EXPECT_EQ(reg(0x2b04), 0u); // Line2 input
    // Inverting channel A alone reverses a quadrature count.
    EXPECT_EQ(reg(0x2c00), 1u); // Line1 inverted
    EXPECT_EQ(reg(0x2c04), 0u); // Line2 not
    EXPECT_EQ(reg(0x2c08), 0u);
    EXPECT_EQ(reg(0x2104), 0u); // FrameStart untouched
    EXPECT_EQ(reg(0x2204), 5u);
    // The line rate is locked now; the page's internal container is off anyway.
    bool writable = true;
    ASSERT_EQ(handle("AcquisitionLineRate")->isWritable(&writable), 0);
    EXPECT_FALSE(writable);
    EXPECT_TRUE(on.host.entries.empty()) << on.host.messages().join('\n').toStdString();
}

TEST_F(GenicamPageTest, ChangesMadeElsewhereReachThePageThroughPolling)
{
    PageOn on(camera->features());
    settle(*camera, on);
    ASSERT_TRUE(on.page->rb_triggerModeinternal->isChecked());

    set("TriggerMode", "On");
    set("TriggerSource", "Encoder0");
    settle(*camera, on);
    EXPECT_TRUE(on.page->rb_triggerModeEncoderSignal->isChecked());

    set("LineSelector", "Line1");
    set("LineInverter", "true");
    set("EncoderDividerFloat", "12.5");
    settle(*camera, on);
    EXPECT_EQ(on.page->cb_EncoderDirection->currentText(), "Counter-Clockwise");
    EXPECT_DOUBLE_EQ(on.page->sb_EncoderDividerFlt->value(), 12.5);

    set("MasterSlaveMode", "Slave");
    settle(*camera, on);
    EXPECT_TRUE(on.page->gb_LTUnavailable->isVisible());
    EXPECT_FALSE(on.page->gb_externalEncoderSignal->isVisible());
    EXPECT_TRUE(on.host.entries.empty()) << on.host.messages().join('\n').toStdString();
}
