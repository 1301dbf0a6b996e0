#include "PageDriver.h"
#include "PageFixture.h"

#include <QRegularExpression>

#include <cstdio>

namespace {

const char* const pageFeatures[] = {
    "AcquisitionLineRate", "ExposureTime",      "TriggerSelector", "TriggerMode",
    "TriggerSource",       "TriggerActivation", "TriggerDivider",  "EncoderSelector",
    "EncoderMode",         "EncoderSourceA",    "EncoderSourceB",  "EncoderDividerFloat",
    "LineSelector",        "LineMode",          "LineInverter",    "MasterSlaveMode",
};

// Named statuses, an unnamed negative one and a positive one.
const int statuses[] = {-104, -106, -112, -120, -123, -99, 7};

class FaultCampaignTest : public PageFixture
{
protected:
    // Every operator action, then a refresh of everything.
    void exercise()
    {
        create();
        page->show();
        for (const PageAction& action : pageActions())
            action.run(*page);
        fullRefresh(*page);
        page.reset();
    }
};

} // namespace

// Each operation of each feature fails with each status while the operator does everything the
// page offers. The page survives, and what it logs is a failure report (level 0) or a registration
// note (level 1) that names the status the camera answered.
TEST_F(FaultCampaignTest, EveryFaultOfEveryFeatureOperationIsSurvivedAndExplained)
{
    const QRegularExpression code(QStringLiteral("Code: \\[(-?\\d+)\\] - Error description: "));
    int cases = 0;
    int loggedCases = 0;
    for (const char* feature : pageFeatures) {
        for (int operation = 0; operation <= static_cast<int>(SimOperation::IsEntryAvailable); ++operation) {
            for (const int status : statuses) {
                camera = SimCameraBuilder::lineScanCamera().build();
                camera->injectFault(feature, static_cast<SimOperation>(operation), status);
                host.entries.clear();
                exercise();
                ++cases;
                loggedCases += host.entries.empty() ? 0 : 1;
                for (const TestHost::Entry& entry : host.entries) {
                    const bool note = entry.message.contains("List was empty") ||
                                      entry.message.contains("register observer!");
                    EXPECT_EQ(entry.level, note ? 1 : 0) << entry.message.toStdString();
                    const auto match = code.match(entry.message);
                    // A failure report names what failed before the SDK's text.
                    EXPECT_EQ(match.hasMatch() ? match.captured(1).toInt() : status, status)
                        << feature << ": " << entry.message.toStdString();
                    EXPECT_NE(match.capturedStart(), 0) << entry.message.toStdString();
                }
            }
        }
    }
    std::printf("fault campaign: %d cases run, %d of them logged failures\n", cases, loggedCases);
    EXPECT_EQ(cases, 16 * 14 * 7);
}
