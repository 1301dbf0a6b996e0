#include "FeatureAccess.h"
#include "SimFixtures.h"
#include "TovrikExceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using Tovrik::FeatureTypeFloat;
using Tovrik::FeatureTypeInteger;

namespace {

class FeatureAccessTest : public ::testing::Test
{
protected:
    // What the camera holds after a write through the access.
    double written(const char* name, double value)
    {
        access.setValueAsDouble(name, value);
        return std::stod(camera->value(name));
    }
    template <typename Exception> std::string messageOf(const std::function<void()>& call)
    {
        try {
            call();
        } catch (const Exception& exception) {
            return exception.what();
        } catch (const std::exception& other) {
            return std::string("wrong exception: ") + other.what();
        }
        return "no exception";
    }

    std::shared_ptr<SimCamera> camera = SimCamera::create({
        numericFeature("Int", FeatureTypeInteger, 0, 10, 3, "0"),
        numericFeature("Float", FeatureTypeFloat, 0.1, 1.0, 0.1, "0.5"),
        numericFeature("Flag", Tovrik::FeatureTypeBoolean, 0, 0, 0, "false"),
        enumFeature("Mode", {"Off", "On", "Auto"}, "On"),
        numericFeature("Serial", Tovrik::FeatureTypeString, 0, 0, 0, "40000-1"),
    });
    FeatureAccess access{camera->features()};
};

} // namespace

TEST_F(FeatureAccessTest, UnknownNamesThrowNotFoundExceptExistenceAndInfo)
{
    EXPECT_FALSE(access.hasFeature("Nope"));
    EXPECT_EQ(access.getFeatureInfo("Nope"), QString());
    const std::function<void()> calls[] = {
        [&] { access.getValueAsString("Nope"); },      [&] { access.isFeatureAvailable("Nope"); },
        [&] { access.isFeatureWritable("Nope"); },     [&] { access.setValueAsDouble("Nope", 1); },
        [&] { access.setValueAsString("Nope", "x"); }, [&] { access.getAvailableEnumEntries("Nope"); },
    };
    for (const auto& call : calls)
        EXPECT_EQ(messageOf<Tovrik::NotFoundException>(call), "Feature Nope was not found!");
}

TEST_F(FeatureAccessTest, LaterDuplicateNameWinsAndUnnamedFeaturesAreSkipped)
{
    auto other = SimCamera::create({numericFeature("Int", FeatureTypeInteger, 0, 100, 1, "42"),
                                    numericFeature("Hidden", FeatureTypeInteger, 0, 100, 1, "7"),
                                    numericFeature("Broken", FeatureTypeInteger, 0, 100, 1, "8")});
    other->setReportedName("Hidden", "");
    other->injectFault("Broken", SimOperation::GetName, -118);
    auto features = camera->features();
    for (const auto& feature : other->features())
        features.push_back(feature);
    FeatureAccess merged(features);
    EXPECT_EQ(merged.getValueAsDouble("Int"), 42.0);
    EXPECT_FALSE(merged.hasFeature("") || merged.hasFeature("Hidden") || merged.hasFeature("Broken"));
}

// Writes snap down onto the feature's grid and clamp to its range; the read-back is returned.
TEST_F(FeatureAccessTest, NumericWritesSnapOntoTheGridAndClamp)
{
    double min = 0, max = 0, inc = 0;
    EXPECT_EQ(access.getValueAndLimits("Int", &min, &max, &inc), 0.0);
    EXPECT_EQ(std::make_tuple(min, max, inc), std::make_tuple(0.0, 9.0, 3.0)); // max snapped onto the grid
    const std::pair<double, double> integers[] = {{10, 9}, {5, 3}, {-4, 0}, {6, 6}};
    for (const auto& write : integers)
        EXPECT_EQ(written("Int", write.first), write.second) << write.first;
    EXPECT_EQ(access.setValueAsDouble("Int", 7.9), 6.0);
    // (0.3 - 0.1) / 0.1 is just below 2: the tolerance lifts it, the request caps it.
    const std::pair<double, double> floats[] = {{0.3, 0.3}, {0.35, 0.3}, {1.05, 1.0}, {0.05, 0.1}};
    for (const auto& write : floats)
        EXPECT_NEAR(written("Float", write.first), write.second, 1e-12) << write.first;
    for (const double increment : {0.0, -0.5}) { // no grid: only clamp
        camera->setRange("Float", 0.1, 1.0, increment);
        EXPECT_DOUBLE_EQ(written("Float", 0.37), 0.37);
        EXPECT_DOUBLE_EQ(written("Float", 7.0), 1.0);
        EXPECT_DOUBLE_EQ(written("Float", -7.0), 0.1);
    }
    EXPECT_THROW(access.setValueAsDouble("Float", std::nan("")), Tovrik::InvalidParameterException);
    EXPECT_EQ(access.setValueAsDouble("Flag", 0.5), 1.0);
    EXPECT_EQ(access.setValueAsDouble("Flag", -1.0), 0.0);
    EXPECT_EQ(access.setValueAsDouble("Serial", 3.5), 3.5); // other types: nothing written
}

TEST_F(FeatureAccessTest, NonWritableFeatureFailsWithNoAccessAndWritesNothing)
{
    for (const char* name : {"Int", "Float", "Flag"}) {
        camera->setWritable(name, false);
        EXPECT_EQ(messageOf<Tovrik::NoAccessException>([&] {
                      access.setValueAsDouble(name, 1);
                  }).rfind("Code: [-112] - Error description: ", 0),
                  0u)
            << name;
    }
    EXPECT_TRUE(sdkWrites(*camera).empty());
}

TEST_F(FeatureAccessTest, MissingIncrementHasDefaultsForLimitsButFailsWrites)
{
    camera->injectFault("Float", SimOperation::GetIncrement, -107);
    camera->injectFault("Int", SimOperation::GetIncrement, -107);
    double min = 0, max = 0, inc = 0;
    access.getValueAndLimits("Float", &min, &max, &inc);
    EXPECT_EQ(std::make_pair(max, inc), std::make_pair(1.0, 0.01));
    access.getValueAndLimits("Int", &min, &max, &inc);
    EXPECT_EQ(std::make_pair(max, inc), std::make_pair(10.0, 1.0)); // unsnapped
    EXPECT_THROW(access.setValueAsDouble("Float", 0.5), Tovrik::FunctionNotAvailableException);
    EXPECT_THROW(access.setValueAsDouble("Int", 3), Tovrik::FunctionNotAvailableException);
}

TEST_F(FeatureAccessTest, LimitsAreRefusedForOtherTypesAndNullOutputs)
{
    double value = 0;
    EXPECT_EQ(messageOf<Tovrik::InvalidParameterException>(
                  [&] { access.getValueAndLimits("Mode", &value, &value, &value); }),
              "Feature type not supporting min/max/inc!");
    EXPECT_EQ(messageOf<Tovrik::InvalidParameterException>(
                  [&] { access.getValueAndLimits("Float", nullptr, &value, &value); }),
              "Output min was nullptr!");
    EXPECT_EQ(messageOf<Tovrik::InvalidParameterException>(
                  [&] { access.getValueAndLimits("Float", &value, nullptr, &value); }),
              "Output max was nullptr!");
    camera->injectFault("Mode", SimOperation::IsWritable, -118); // asked first
    EXPECT_THROW(access.getValueAndLimits("Mode", &value, &value, &value), Tovrik::IOErrorException);
}

TEST_F(FeatureAccessTest, ReadsOfOtherTypesAndFailedReads)
{
    std::vector<std::pair<PlugInHostLogLevel, QString>> log;
    FeatureAccess logging(camera->features(), [&](PlugInHostLogLevel level, const QString& text) {
        log.emplace_back(level, text);
    });
    EXPECT_EQ(logging.getValueAsDouble("Mode"), std::numeric_limits<double>::lowest());
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].first, PlugInHostLogLevel::Warning);
    EXPECT_EQ(log[0].second,
              "Feature Mode is not a integer nor floating point type. Cannot be converted to double type!");
    EXPECT_EQ(access.getValueAsDouble("Mode"), std::numeric_limits<double>::lowest()); // no callback: silent
    camera->injectFault("Float", SimOperation::GetValue, -123);
    EXPECT_THROW(access.getValueAsString("Float"), Tovrik::BusyException);
    camera->injectFault("Int", SimOperation::GetRange, 7);
    EXPECT_EQ(
        messageOf<Tovrik::GenericException>([&] { access.setValueAsDouble("Int", 3); }).rfind("Code: [7]", 0),
        0u);
    camera->injectFault("Int", SimOperation::IsAvailable, -118);
    camera->injectFault("Int", SimOperation::IsWritable, -118);
    EXPECT_FALSE(access.isFeatureAvailable("Int") || access.isFeatureWritable("Int")); // errors read as false
}

TEST_F(FeatureAccessTest, TextsEntriesAndInfo)
{
    EXPECT_EQ(access.setValueAsString("Mode", "Auto"), "Auto");
    EXPECT_EQ(access.setValueAsString("Mode", "Bogus"), "Auto"); // refused: the read-back tells
    EXPECT_EQ(sdkWrites(*camera), (std::vector<std::string>{"Mode=Auto", "Mode=Bogus !-120"}));
    EXPECT_EQ(access.getFeatureInfo("Mode"), "Auto text");
    EXPECT_EQ(access.getFeatureInfo("Int"), "Int description");
    camera->setEntryAvailable("Mode", "On", false);
    EXPECT_EQ(access.getAvailableEnumEntries("Mode"), (QStringList{"Off", "Auto"}));
    camera->injectFault("Mode", SimOperation::IsEntryAvailable, -106, 1);
    EXPECT_THROW(access.getAvailableEnumEntries("Mode"), Tovrik::NotAvailableException);
    camera->injectFault("Mode", SimOperation::GetEntryDescriptions, -118);
    EXPECT_EQ(access.getFeatureInfo("Mode"), QString()); // texts list left empty: too short
}
