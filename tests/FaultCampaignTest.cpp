#include "PageDriver.h"
#include "PageFixture.h"

#include <QRegularExpression>

#include <cstdio>

namespace {

// Every text the page and its framework may log; exception texts where they are appended.
const QString exceptionText =
    R"((Code: \[-?\d+\] - Error description: .*|Feature \w* was not found!|Feature type not supporting min/max/inc!|Value was not a number!))";

const QStringList knownPatterns{
    R"(Error in initializing the "Line Trigger" plugin widget)" + exceptionText,
    R"(Error in acquiring the available line inputs and initializing the External-Input-signal's "Input singal" combo-box)",
    R"(Error in getting EncoderSourceA values\.)" + exceptionText,
    R"(Error in getting EncoderSourceB values\.)" + exceptionText,
    R"(Error in getting the "EncoderSourceB" value\. Error: )" + exceptionText,
    R"( Error in updating the widget usability for change in "MasterSlaveMode" value\. Error:)" +
        exceptionText,
    R"(Error in enabling (internal line trigger mode|external encoder trigger mode|and activating the right signal mode container))" +
        exceptionText,
    R"(Error in updating and displaying the respective image of selected encoder signal setup\.)" +
        exceptionText,
    R"(Error in setting the Encoder channel to 1\. Unable to set a Trigger Control parameter\.)" +
        exceptionText,
    R"(Error of parameter setting in (trigger|encoder|line) selector part by setting encoder signal type = differential\. )" +
        exceptionText,
    R"(Configuration error of parameters \(in (trigger|encoder|line) selector part\)  during setting encoder mode = single-ended)" +
        exceptionText,
    R"(Feature: LineInvertor - Error in inverting the Encoder input signal Channel A\. )" + exceptionText,
    R"(Error in setting the selected line input .* for source A in theFeature: EncoderSourceA)" +
        exceptionText,
    R"(Error in setting the selected line input .* for Source B in the Encoder Mode)" + exceptionText,
    R"(Invalid Encoder input channel combination\. Channel A is Line [34] and Channel B is Line 2)",
    R"(Error in initializing the parameters Encoder signal and Encoder channel type\.)" + exceptionText,
    R"(Error in updating the encoder (signal type list in its combo-box|channels and signal type list in its combo-box|signal inputs list in their combo-boxes)\.)" +
        exceptionText,
    R"(Failed to (init|update value of) feature UI element: \w+ Err: )" + exceptionText,
    R"((AGAIN )?Failed to set value to feature: \w+ Value: \S+ Err: )" + exceptionText,
    exceptionText, // a spin box's availability check or refresh reports the text alone
    R"(Could not get features! List was empty\.|Could not get features\. List was empty!)",
    R"(Failed to (un)?register observer! Could not get name of feature!)",
};

bool isKnownMessage(const QString& message)
{
    static const std::vector<QRegularExpression> patterns = [] {
        std::vector<QRegularExpression> compiled;
        for (const QString& pattern : knownPatterns)
            compiled.emplace_back(QRegularExpression::anchoredPattern(pattern));
        return compiled;
    }();
    for (const QRegularExpression& pattern : patterns) {
        if (pattern.match(message).hasMatch())
            return true;
    }
    return false;
}

const char* const pageFeatures[] = {
    "AcquisitionLineRate", "ExposureTime",      "TriggerSelector", "TriggerMode",
    "TriggerSource",       "TriggerActivation", "TriggerDivider",  "EncoderSelector",
    "EncoderMode",         "EncoderSourceA",    "EncoderSourceB",  "EncoderDividerFloat",
    "LineSelector",        "LineMode",          "LineInverter",    "MasterSlaveMode",
};

const SimOperation operations[] = {
    SimOperation::GetName,     SimOperation::GetDescription,   SimOperation::GetEntryDescriptions,
    SimOperation::GetType,     SimOperation::RegisterObserver, SimOperation::UnregisterObserver,
    SimOperation::GetValue,    SimOperation::GetEntries,       SimOperation::SetValue,
    SimOperation::GetRange,    SimOperation::GetIncrement,     SimOperation::IsWritable,
    SimOperation::IsAvailable, SimOperation::IsEntryAvailable,
};

// Named statuses, an unnamed negative one and a positive one.
const int statuses[] = {-104, -106, -112, -120, -123, -99, 7};

class FaultCampaignTest : public PageFixture
{
};

} // namespace

TEST_F(FaultCampaignTest, EveryFaultOfEveryFeatureOperationIsSurvivedAndExplained)
{
    int cases = 0;
    int loggedCases = 0;
    for (const char* feature : pageFeatures) {
        for (const SimOperation operation : operations) {
            for (const int status : statuses) {
                camera = SimCameraBuilder::lineScanCamera().build();
                camera->injectFault(feature, operation, status);
                host.entries.clear();
                create();
                page->show();
                for (const PageAction& action : pageActions())
                    action.run(*page);
                fullRefresh(*page);
                page.reset();
                ++cases;
                if (!host.entries.empty())
                    ++loggedCases;
                for (const TestHost::Entry& entry : host.entries) {
                    EXPECT_TRUE(isKnownMessage(entry.message))
                        << feature << " operation " << static_cast<int>(operation) << " status " << status
                        << ": " << entry.message.toStdString();
                    EXPECT_TRUE(entry.level == 0 || entry.level == 1);
                }
            }
        }
    }
    std::printf("fault campaign: %d cases run, %d of them logged failures\n", cases, loggedCases);
    EXPECT_EQ(cases, 16 * 14 * 7);
}

TEST_F(FaultCampaignTest, FaultFreeRunLogsNothing)
{
    create();
    page->show();
    for (const PageAction& action : pageActions())
        action.run(*page);
    fullRefresh(*page);
    // The refused pair and the "Off" line selector are the camera's answers, not faults.
    for (const QString& message : host.messages())
        EXPECT_TRUE(message.startsWith("Invalid Encoder input channel combination")) << message.toStdString();
}
