#pragma once

#include "LineTriggerWidget.h"

#include <QMetaObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>
#include <vector>

// Operator actions on the page, as the widgets deliver them, for campaigns and random runs.
struct PageAction
{
    const char* name;
    std::function<void(LineTriggerWidget&)> run;
};

inline const QStringList& observedFeatureNames()
{
    static const QStringList names{"ExposureTime",    "AcquisitionLineRate", "TriggerMode",
                                   "TriggerSelector", "EncoderDividerFloat", "EncoderSourceA",
                                   "EncoderSourceB",  "MasterSlaveMode",     "LineInverter"};
    return names;
}

// A tick that refreshes everything: all observed names reported changed, then the timer's slot.
inline void fullRefresh(LineTriggerWidget& page)
{
    for (const QString& name : observedFeatureNames())
        QMetaObject::invokeMethod(&page, "OnFeatureChanged", Q_ARG(QString, name));
    QMetaObject::invokeMethod(&page, "updateTimer");
}

inline const std::vector<PageAction>& pageActions()
{
    static const std::vector<PageAction> actions{
        {"encoder mode",
         [](LineTriggerWidget& p) {
             p.rb_triggerModeEncoderSignal->click();
         }},
        {"internal mode",
         [](LineTriggerWidget& p) {
             p.rb_triggerModeinternal->click();
         }},
        {"channels 2",
         [](LineTriggerWidget& p) {
             p.cb_EncoderChannels->setCurrentText("2");
         }},
        {"channels 1",
         [](LineTriggerWidget& p) {
             p.cb_EncoderChannels->setCurrentText("1");
         }},
        {"single-ended",
         [](LineTriggerWidget& p) {
             p.cb_EncoderSignalType->setCurrentText("Single-Ended (LVCMOS)");
         }},
        {"differential",
         [](LineTriggerWidget& p) {
             p.cb_EncoderSignalType->setCurrentText("Differential (RS422)");
         }},
        {"source A Line3",
         [](LineTriggerWidget& p) {
             p.cb_EncoderSourceA->setCurrentText("Line3 - IO Pin 3");
         }},
        {"source A Line4",
         [](LineTriggerWidget& p) {
             p.cb_EncoderSourceA->setCurrentText("Line4 - IO Pin 8");
         }},
        {"source A Line1",
         [](LineTriggerWidget& p) {
             p.cb_EncoderSourceA->setCurrentText("Line1 - IO Pin 1,6");
         }},
        {"source A Off",
         [](LineTriggerWidget& p) {
             p.cb_EncoderSourceA->setCurrentText("Off");
         }},
        {"source B Line2",
         [](LineTriggerWidget& p) {
             p.cb_EncoderSourceB->setCurrentText("Line2 - IO Pin 2,7");
         }},
        {"source B Off",
         [](LineTriggerWidget& p) {
             p.cb_EncoderSourceB->setCurrentText("Off");
         }},
        {"counter-clockwise",
         [](LineTriggerWidget& p) {
             p.cb_EncoderDirection->setCurrentIndex(1);
         }},
        {"clockwise",
         [](LineTriggerWidget& p) {
             p.cb_EncoderDirection->setCurrentIndex(0);
         }},
        {"full refresh",
         [](LineTriggerWidget& p) {
             fullRefresh(p);
         }},
        {"hide and show",
         [](LineTriggerWidget& p) {
             p.hide();
             p.show();
         }},
    };
    return actions;
}

inline const PageAction& pageAction(const char* name)
{
    for (const PageAction& candidate : pageActions()) {
        if (QLatin1String(candidate.name) == QLatin1String(name))
            return candidate;
    }
    throw std::logic_error(name);
}
