#include "ui_LineTriggerWidget.h"

#include <QGridLayout>
#include <QScrollArea>

#include <gtest/gtest.h>

namespace {

class FormTest : public ::testing::Test
{
protected:
    void SetUp() override { form.setupUi(&widget); }

    QWidget widget;
    Ui::LineTriggerWidget form;
};

// Where a widget sits in its grid, as (row, column).
std::pair<int, int> cellOf(QGridLayout* grid, QWidget* widget)
{
    int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
    const int index = grid->indexOf(widget);
    if (index >= 0)
        grid->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    return {row, column};
}

} // namespace

TEST_F(FormTest, TreeNestsTheThreeModeGroupsAndTheNoticeInOneScrollableColumn)
{
    EXPECT_EQ(widget.objectName(), "LineTriggerWidget");
    EXPECT_EQ(widget.size(), QSize(685, 918));
    EXPECT_EQ(form.scrollArea->widget(), form.scrollAreaWidgetContents_4);
    EXPECT_TRUE(form.scrollArea->widgetResizable());
    ASSERT_EQ(form.verticalLayout_4->count(), 5);
    EXPECT_EQ(form.verticalLayout_4->itemAt(0)->widget(), form.gb_internalTrigger);
    EXPECT_EQ(form.verticalLayout_4->itemAt(1)->widget(), form.gb_externalEncoderSignal);
    EXPECT_EQ(form.verticalLayout_4->itemAt(2)->widget(), form.gb_externalInputSignal);
    EXPECT_EQ(form.verticalLayout_4->itemAt(3)->widget(), form.gb_LTUnavailable);
    EXPECT_EQ(form.verticalLayout_4->itemAt(4)->spacerItem(), form.verticalSpacer);
    EXPECT_EQ(form.verticalSpacer->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
    // Radio buttons in different group boxes: Qt's auto-exclusivity does not bind them.
    EXPECT_EQ(form.rb_triggerModeinternal->parentWidget(), form.gb_internalTrigger);
    EXPECT_EQ(form.rb_triggerModeEncoderSignal->parentWidget(), form.gb_externalEncoderSignal);
    EXPECT_EQ(form.rb_triggerModeInputSignal->parentWidget(), form.gb_externalInputSignal);
    EXPECT_EQ(form.sb_LineRate->parentWidget(), form.gridWidget_2);
    EXPECT_EQ(form.svgViewHolder->parentWidget(), form.externalModeEncoderContainer);
    EXPECT_EQ(form.verticalLayout_8->count(), 0);
}

TEST_F(FormTest, ControlsSitInTheirGridCells)
{
    EXPECT_EQ(cellOf(form.gridLayout_2, form.label_2), std::make_pair(0, 0));
    EXPECT_EQ(cellOf(form.gridLayout_2, form.sb_LineRate), std::make_pair(0, 2));
    EXPECT_EQ(cellOf(form.gridLayout_2, form.sb_ExposureTime), std::make_pair(1, 2));
    const std::pair<QWidget*, std::pair<int, int>> encoderCells[] = {
        {form.cb_EncoderChannels, {0, 2}},
        {form.cb_EncoderSignalType, {1, 2}},
        {form.cb_EncoderSourceA, {2, 2}},
        {form.cb_EncoderSourceB, {3, 2}},
        {form.cb_EncoderDirection, {4, 2}},
        {form.sb_EncoderDividerFlt, {5, 2}},
        {form.label_18, {0, 0}},
        {form.label_13, {5, 0}},
    };
    for (const auto& cell : encoderCells)
        EXPECT_EQ(cellOf(form.gridLayout_4, cell.first), cell.second)
            << cell.first->objectName().toStdString();
    EXPECT_EQ(form.gridLayout_4->verticalSpacing(), 7);
    EXPECT_EQ(cellOf(form.gridLayout, form.ck_invertInputSignal), std::make_pair(0, 3));
}

TEST_F(FormTest, InitialStates)
{
    EXPECT_TRUE(form.rb_triggerModeinternal->isChecked());
    EXPECT_FALSE(form.rb_triggerModeEncoderSignal->isChecked());
    EXPECT_FALSE(form.rb_triggerModeInputSignal->isChecked());
    EXPECT_FALSE(form.sb_ExposureTime->isEnabled());
    EXPECT_FALSE(form.externalModeEncoderContainer->isEnabled());
    EXPECT_FALSE(form.cb_EncoderSourceB->isEnabled());
    EXPECT_FALSE(form.externalModeInputContainer->isEnabled());
    EXPECT_TRUE(form.sb_LineRate->isEnabled());
    EXPECT_EQ(form.sb_EncoderDividerFlt->decimals(), 4);
    EXPECT_EQ(form.cb_EncoderSourceA->count(), 0);
    EXPECT_EQ(form.cb_lineInputSignal->count(), 0);
    EXPECT_EQ(form.cb_EncoderChannels->currentIndex(), 0);
    EXPECT_EQ(form.verticalLayout_2->contentsMargins().bottom(), 0);
    EXPECT_EQ(form.verticalLayout_7->contentsMargins(), QMargins(2, 2, 2, 2));
}

TEST_F(FormTest, TextsOperatorsRead)
{
    EXPECT_EQ(widget.windowTitle(), "Form");
    EXPECT_EQ(form.gb_internalTrigger->title(), "Internal");
    EXPECT_EQ(form.gb_externalEncoderSignal->title(), "External - Encoder signal");
    EXPECT_EQ(form.gb_LTUnavailable->title(), "Line Trigger unavailable ");
    EXPECT_EQ(form.label->text(), QString::fromUtf8("Exposure time(\u00b5s)"));
    EXPECT_EQ(form.label_2->text(), "Line rate (lines/s)");
    EXPECT_EQ(form.label_13->text(), "Amount of encoder pulses to generate one line trigger");
    EXPECT_EQ(form.rb_triggerModeEncoderSignal->text(), "Generate line trigger from external encoder signal");
    EXPECT_EQ(form.cb_EncoderSignalType->itemText(0), "Single-Ended (LVCMOS)");
    EXPECT_EQ(form.cb_EncoderSignalType->itemText(1), "Differential (RS422)");
    EXPECT_EQ(form.cb_EncoderDirection->itemText(1), "Counter-Clockwise");
    EXPECT_EQ(form.cb_EncoderChannels->itemText(1), "2");
}

TEST(FormNaming, ExistingObjectNameIsKept)
{
    QWidget widget;
    widget.setObjectName("host page");
    Ui::LineTriggerWidget form;
    form.setupUi(&widget);
    EXPECT_EQ(widget.objectName(), "host page");
    EXPECT_EQ(widget.size(), QSize(685, 918));
}
