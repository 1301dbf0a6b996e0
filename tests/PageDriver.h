#pragma once

#include "LineTriggerWidget.h"

#include <QComboBox>
#include <QMetaObject>
#include <QRadioButton>
#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>
#include <vector>

// Operator actions on the page, as the widgets deliver them, for scenarios, campaigns and random runs.
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

inline PageAction choose(const char* name, QComboBox* LineTriggerWidget::*box, const char* text)
{
    return {name, [box, text](LineTriggerWidget& page) {
                (page.*box)->setCurrentText(text);
            }};
}

inline PageAction press(const char* name, QRadioButton* LineTriggerWidget::*button)
{
    return {name, [button](LineTriggerWidget& page) {
                (page.*button)->click();
            }};
}

inline const std::vector<PageAction>& pageActions()
{
    using Page = LineTriggerWidget;
    // clang-format off
    static const std::vector<PageAction> actions{
        press("encoder mode", &Page::rb_triggerModeEncoderSignal),
        press("internal mode", &Page::rb_triggerModeinternal),
        choose("channels 2", &Page::cb_EncoderChannels, "2"),
        choose("channels 1", &Page::cb_EncoderChannels, "1"),
        choose("single-ended", &Page::cb_EncoderSignalType, "Single-Ended (LVCMOS)"),
        choose("differential", &Page::cb_EncoderSignalType, "Differential (RS422)"),
        choose("source A Line3", &Page::cb_EncoderSourceA, "Line3 - IO Pin 3"),
        choose("source A Line4", &Page::cb_EncoderSourceA, "Line4 - IO Pin 8"),
        choose("source A Line1", &Page::cb_EncoderSourceA, "Line1 - IO Pin 1,6"),
        choose("source A Off", &Page::cb_EncoderSourceA, "Off"),
        choose("source B Line2", &Page::cb_EncoderSourceB, "Line2 - IO Pin 2,7"),
        choose("source B Off", &Page::cb_EncoderSourceB, "Off"),
        choose("counter-clockwise", &Page::cb_EncoderDirection, "Counter-Clockwise"),
        choose("clockwise", &Page::cb_EncoderDirection, "Clockwise"),
        {"full refresh", fullRefresh},
        {"hide and show", [](Page& p) { p.hide(); p.show(); }},
    };
    // clang-format on
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
