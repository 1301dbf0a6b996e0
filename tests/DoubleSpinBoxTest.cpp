#include "DoubleSpinBox.h"
#include "FeatureAccess.h"
#include "PluginLogger.h"
#include "SimFixtures.h"
#include "TestHost.h"

#include <QApplication>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class DoubleSpinBoxTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The views report through the logger a page installs.
        PluginLogger::instance().logMessage = [this](PlugInHostLogLevel level, const QString& text) {
            host.log(level, text);
        };
        auto* layout = new QHBoxLayout(&window);
        label = new QLabel("Rate", &window);
        spinBox = new QDoubleSpinBox(&window);
        spinBox->setDecimals(2);
        layout->addWidget(label);
        layout->addWidget(spinBox);
        window.resize(300, 40);
    }
    void TearDown() override { PluginLogger::instance().logMessage = nullptr; }

    std::unique_ptr<DoubleSpinBox> bind(const QString& name, bool alwaysDisabled = false)
    {
        return std::make_unique<DoubleSpinBox>(spinBox, &access, name, std::vector<QWidget*>{label},
                                               alwaysDisabled, 1.0, 0);
    }

    // Types a value into the focused box as an operator would and confirms with Enter.
    void type(const QString& text)
    {
        window.show();
        QApplication::setActiveWindow(&window);
        spinBox->setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        ASSERT_TRUE(spinBox->hasFocus());
        spinBox->selectAll();
        QTest::keyClicks(spinBox, text);
        QTest::keyClick(spinBox, Qt::Key_Return);
    }

    std::shared_ptr<SimCamera> camera = SimCamera::create({
        numericFeature("Rate", Tovrik::FeatureTypeFloat, 1.0, 100.0, 0.5, "10"),
        numericFeature("Count", Tovrik::FeatureTypeInteger, 0, 50, 0, "7"),
    });
    FeatureAccess access{camera->features()};
    TestHost host;
    QWidget window;
    QLabel* label = nullptr;
    QDoubleSpinBox* spinBox = nullptr;
};

} // namespace

TEST_F(DoubleSpinBoxTest, RefreshTakesRangeStepValueAndToolTipWithoutWriting)
{
    auto view = bind("Rate");
    window.show();
    view->refresh();
    EXPECT_DOUBLE_EQ(spinBox->minimum(), 1.0);
    EXPECT_DOUBLE_EQ(spinBox->maximum(), 100.0);
    EXPECT_DOUBLE_EQ(spinBox->singleStep(), 0.5);
    EXPECT_DOUBLE_EQ(spinBox->value(), 10.0);
    EXPECT_FALSE(spinBox->keyboardTracking());
    EXPECT_EQ(spinBox->toolTip(),
              "<table><tr><td width=\"100\"><b>Info:</b></td><td>Rate description</td></tr>"
              "<tr><td width=\"100\"><b>Feature name:</b></td><td>Rate</td></tr>"
              "<tr><td width=\"100\"><b>Min:</b></td><td>1</td></tr>"
              "<tr><td width=\"100\"><b>Max:</b></td><td>100</td></tr>"
              "<tr><td width=\"100\"><b>Increment:</b></td><td>0.5</td></tr></table>");
    camera->write("Rate", "42.5");
    view->refresh(); // without focus: the box follows and writes nothing
    EXPECT_DOUBLE_EQ(spinBox->value(), 42.5);
    EXPECT_TRUE(sdkWrites(*camera).empty());
    EXPECT_TRUE(host.entries.empty());
    view.reset();
    auto count = bind("Count"); // a zero increment gives the default step
    count->refresh();
    EXPECT_DOUBLE_EQ(spinBox->singleStep(), 1.0);
    EXPECT_DOUBLE_EQ(spinBox->value(), 7.0);
}

TEST_F(DoubleSpinBoxTest, OperatorEditIsWrittenAndCorrectedByTheReadBack)
{
    auto view = bind("Rate");
    view->refresh();
    camera->clearJournal();
    type("10.3");
    EXPECT_DOUBLE_EQ(spinBox->value(), 10.0); // the camera's grid
    EXPECT_EQ(sdkWrites(*camera), (std::vector<std::string>{"Rate=10", "Rate=10"}));
    camera->clearJournal();
    type("20.5");
    EXPECT_DOUBLE_EQ(spinBox->value(), 20.5);
    EXPECT_EQ(sdkWrites(*camera), std::vector<std::string>{"Rate=20.5"});
    EXPECT_TRUE(host.entries.empty());
    view.reset();
    type("50"); // would write through a dangling view if the connection survived
    EXPECT_EQ(sdkWrites(*camera).size(), 1u);
}

TEST_F(DoubleSpinBoxTest, FailedWritesAreLoggedAndTheBoxShowsWhatIsKnown)
{
    auto view = bind("Rate");
    view->refresh();
    camera->injectFault("Rate", SimOperation::SetValue, -123, 1);
    type("30");
    ASSERT_EQ(host.entries.size(), 1u);
    EXPECT_EQ(host.entries.front().level, 0);
    EXPECT_TRUE(host.messages()[0].startsWith(
        "Failed to set value to feature: Rate Value: 30 Err: Code: [-123] - Error description: "));
    EXPECT_DOUBLE_EQ(spinBox->value(), 10.0); // the camera's value
    // When the camera cannot be read either, the operator's value stays.
    camera->injectFault("Rate", SimOperation::SetValue, -123, 1);
    camera->injectFault("Rate", SimOperation::GetValue, -118);
    type("40");
    ASSERT_EQ(host.entries.size(), 3u);
    EXPECT_TRUE(host.messages()[2].startsWith(
        "AGAIN Failed to set value to feature: Rate Value: 40 Err: Code: [-118]"));
    EXPECT_DOUBLE_EQ(spinBox->value(), 40.0);
}

TEST_F(DoubleSpinBoxTest, FailedRefreshStepsAreLoggedWithTheirOwnText)
{
    auto view = bind("Rate");
    // The tool tip swallows the first failure, the range set-up reports the second.
    camera->injectFault("Rate", SimOperation::GetRange, -118, 2);
    view->refresh();
    EXPECT_TRUE(spinBox->toolTip().endsWith("<b>Feature name:</b></td><td>Rate</td></tr></table>"));
    camera->injectFault("Rate", SimOperation::GetValue, -123);
    view->refresh();
    const QStringList messages = host.messages();
    ASSERT_GE(messages.size(), 2);
    EXPECT_TRUE(messages[0].startsWith("Failed to init feature UI element: Rate Err: Code: [-118]"));
    EXPECT_TRUE(
        messages.last().startsWith("Failed to update value of feature UI element: Rate Err: Code: [-123]"));
}

TEST_F(DoubleSpinBoxTest, MissingFeatureHidesBoxAndCompanionAndFreesTheirSpace)
{
    auto* other = new QLabel("neighbour", &window);
    window.layout()->addWidget(other);
    auto view = bind("Nope");
    window.show();
    EXPECT_FALSE(spinBox->isVisible());
    EXPECT_FALSE(label->isVisible());
    EXPECT_FALSE(spinBox->sizePolicy().retainSizeWhenHidden());
    EXPECT_EQ(other->geometry().left(), window.layout()->contentsMargins().left());
    view->refresh(); // the failed availability lookup is reported as the exception text alone
    EXPECT_TRUE(host.messages().contains("Feature Nope was not found!"));
    // An unavailable feature hides the same way and comes back.
    auto rate = bind("Rate");
    rate->refresh();
    EXPECT_TRUE(spinBox->isVisible() && label->isVisible());
    camera->setAvailable("Rate", false);
    rate->refresh();
    EXPECT_FALSE(spinBox->isVisible() || label->isVisible());
    camera->setAvailable("Rate", true);
    rate->refresh();
    EXPECT_TRUE(spinBox->isVisible() && label->isVisible());
}

TEST_F(DoubleSpinBoxTest, AlwaysDisabledIsOverriddenByWritabilityUntilThePageDisablesIt)
{
    auto view = bind("Rate", true);
    view->refresh();
    EXPECT_TRUE(spinBox->isEnabled());
    view->setDisabled(true);
    EXPECT_FALSE(spinBox->isEnabled());
    camera->setWritable("Rate", false);
    auto writable = bind("Rate");
    writable->refresh();
    EXPECT_FALSE(spinBox->isEnabled());
}
