#include "ui_LineTriggerWidget.h"

#include <gtest/gtest.h>

// The form as Designer keeps it: what the page's code relies on, and the texts operators read.
TEST(FormTest, GroupsAndTextsTheCodeAndTheOperatorsRelyOn)
{
    QWidget widget;
    widget.setObjectName("host page"); // a name given by the host is kept
    Ui::LineTriggerWidget form;
    form.setupUi(&widget);
    EXPECT_EQ(widget.objectName(), "host page");
    EXPECT_EQ(widget.size(), QSize(685, 918));
    ASSERT_EQ(form.verticalLayout_4->count(), 5);
    EXPECT_EQ(form.verticalLayout_4->itemAt(0)->widget(), form.gb_internalTrigger);
    EXPECT_EQ(form.verticalLayout_4->itemAt(1)->widget(), form.gb_externalEncoderSignal);
    EXPECT_EQ(form.verticalLayout_4->itemAt(2)->widget(), form.gb_externalInputSignal);
    EXPECT_EQ(form.verticalLayout_4->itemAt(3)->widget(), form.gb_LTUnavailable);
    // Radio buttons in different group boxes: Qt's auto-exclusivity does not bind them.
    EXPECT_EQ(form.rb_triggerModeinternal->parentWidget(), form.gb_internalTrigger);
    EXPECT_EQ(form.rb_triggerModeEncoderSignal->parentWidget(), form.gb_externalEncoderSignal);
    EXPECT_EQ(form.svgViewHolder->parentWidget(), form.externalModeEncoderContainer);
    EXPECT_EQ(form.verticalLayout_8->count(), 0); // the page adds the diagram view
    EXPECT_TRUE(form.rb_triggerModeinternal->isChecked());
    EXPECT_FALSE(form.sb_ExposureTime->isEnabled());
    EXPECT_FALSE(form.externalModeEncoderContainer->isEnabled());
    EXPECT_EQ(form.sb_EncoderDividerFlt->decimals(), 4);
    EXPECT_EQ(form.gb_internalTrigger->title(), "Internal");
    EXPECT_EQ(form.gb_externalEncoderSignal->title(), "External - Encoder signal");
    EXPECT_EQ(form.gb_LTUnavailable->title(), "Line Trigger unavailable ");
    EXPECT_EQ(form.label->text(), QString::fromUtf8("Exposure time(\u00b5s)"));
    EXPECT_EQ(form.label_2->text(), "Line rate (lines/s)");
    EXPECT_EQ(form.label_13->text(), "Amount of encoder pulses to generate one line trigger");
    EXPECT_EQ(form.label_3->text(),
              "For slave camera, it is not permissable to confiugre the line trigger settings.");
    EXPECT_EQ(form.rb_triggerModeEncoderSignal->text(), "Generate line trigger from external encoder signal");
}
