#include "FeatureAccess.h"
#include "SimFixtures.h"
#include "TovrikExceptions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using Tovrik::FeatureTypeFloat;
using Tovrik::FeatureTypeInteger;

namespace {

class FeatureAccessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        camera = SimCamera::create({
            numericFeature("Int", FeatureTypeInteger, 0, 10, 3, "0"),
            numericFeature("Float", FeatureTypeFloat, 0.1, 1.0, 0.1, "0.5"),
            boolFeature("Flag", false),
            enumFeature("Mode", {"Off", "On", "Auto"}, "On"),
            numericFeature("Serial", Tovrik::FeatureTypeString, 0, 0, 0, "40000-1"),
        });
        access = std::make_unique<FeatureAccess>(camera->features());
    }

    double writeInt(double value)
    {
        access->setValueAsDouble("Int", value);
        return QString::fromStdString(camera->value("Int")).toDouble();
    }
    double writeFloat(double value)
    {
        access->setValueAsDouble("Float", value);
        return QString::fromStdString(camera->value("Float")).toDouble();
    }

    std::shared_ptr<SimCamera> camera;
    std::unique_ptr<FeatureAccess> access;
};

template <typename Exception, typename Call> std::string messageOf(Call call)
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

} // namespace

TEST_F(FeatureAccessTest, UnknownNamesThrowNotFoundExceptExistenceAndInfo)
{
    EXPECT_FALSE(access->hasFeature("Nope"));
    EXPECT_TRUE(access->hasFeature("Int"));
    EXPECT_EQ(access->getFeatureInfo("Nope"), QString());
    const std::string expected = "Feature Nope was not found!";
    EXPECT_EQ(messageOf<Tovrik::NotFoundException>([&] { access->getValueAsString("Nope"); }), expected);
    EXPECT_EQ(messageOf<Tovrik::NotFoundException>([&] { access->isFeatureAvailable("Nope"); }), expected);
    EXPECT_EQ(messageOf<Tovrik::NotFoundException>([&] { access->isFeatureWritable("Nope"); }), expected);
    EXPECT_EQ(messageOf<Tovrik::NotFoundException>([&] { access->setValueAsDouble("Nope", 1); }), expected);
    EXPECT_EQ(messageOf<Tovrik::NotFoundException>([&] { access->setValueAsString("Nope", "x"); }), expected);
    EXPECT_EQ(messageOf<Tovrik::NotFoundException>([&] { access->getAvailableEnumEntries("Nope"); }),
              expected);
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
    EXPECT_FALSE(merged.hasFeature(""));
    EXPECT_FALSE(merged.hasFeature("Hidden"));
    EXPECT_FALSE(merged.hasFeature("Broken"));
}

TEST_F(FeatureAccessTest, IntegerWritesSnapDownOntoTheGridAndClamp)
{
    double min = 0, max = 0, inc = 0;
    EXPECT_EQ(access->getValueAndLimits("Int", &min, &max, &inc), 0.0);
    EXPECT_EQ(min, 0.0);
    EXPECT_EQ(max, 9.0);
    EXPECT_EQ(inc, 3.0);
    EXPECT_EQ(writeInt(10), 9.0);
    EXPECT_EQ(writeInt(5), 3.0);
    EXPECT_EQ(writeInt(-4), 0.0);
    EXPECT_EQ(writeInt(6), 6.0);
    EXPECT_EQ(access->setValueAsDouble("Int", 7.9), 6.0); // returns the read-back
}

TEST_F(FeatureAccessTest, FloatWritesSnapWithToleranceAndClamp)
{
    EXPECT_DOUBLE_EQ(writeFloat(0.3), 0.3);
    EXPECT_NEAR(writeFloat(0.35), 0.3, 1e-12);
    EXPECT_DOUBLE_EQ(writeFloat(1.05), 1.0);
    EXPECT_DOUBLE_EQ(writeFloat(0.05), 0.1);
    double min = 0, max = 0, inc = 0;
    access->getValueAndLimits("Float", &min, &max, &inc);
    EXPECT_DOUBLE_EQ(max, 1.0);
    EXPECT_DOUBLE_EQ(inc, 0.1);
}

TEST_F(FeatureAccessTest, BooleanWritesTrueOnlyForPositiveValues)
{
    EXPECT_EQ(access->setValueAsDouble("Flag", 0.5), 1.0);
    EXPECT_EQ(access->setValueAsDouble("Flag", 0.0), 0.0);
    EXPECT_EQ(access->setValueAsDouble("Flag", 2.0), 1.0);
    EXPECT_EQ(access->setValueAsDouble("Flag", -1.0), 0.0);
    EXPECT_EQ(access->getValueAsDouble("Flag"), 0.0);
}

TEST_F(FeatureAccessTest, NonWritableFeatureFailsWithNoAccessAndWritesNothing)
{
    camera->setWritable("Int", false);
    camera->setWritable("Flag", false);
    camera->clearJournal();
    for (const char* name : {"Int", "Flag"}) {
        try {
            access->setValueAsDouble(name, 3);
            ADD_FAILURE() << name;
        } catch (const Tovrik::NoAccessException& exception) {
            EXPECT_EQ(exception.code, -112);
            EXPECT_EQ(std::string(exception.what()).rfind("Code: [-112] - Error description: ", 0), 0u);
        }
    }
    EXPECT_TRUE(camera->journal().empty());
}

TEST_F(FeatureAccessTest, MissingIncrementHasDefaultsForLimitsButFailsWrites)
{
    camera->injectFault("Float", SimOperation::GetIncrement, -107);
    camera->injectFault("Int", SimOperation::GetIncrement, -107);
    double min = 0, max = 0, inc = 0;
    access->getValueAndLimits("Float", &min, &max, &inc);
    EXPECT_DOUBLE_EQ(inc, 0.01);
    EXPECT_DOUBLE_EQ(max, 1.0);
    access->getValueAndLimits("Int", &min, &max, &inc);
    EXPECT_DOUBLE_EQ(inc, 1.0);
    EXPECT_DOUBLE_EQ(max, 10.0); // unsnapped
    EXPECT_THROW(access->setValueAsDouble("Float", 0.5), Tovrik::FunctionNotAvailableException);
    EXPECT_THROW(access->setValueAsDouble("Int", 3), Tovrik::FunctionNotAvailableException);
}

TEST_F(FeatureAccessTest, ZeroOrNegativeIncrementOnlyClamps)
{
    for (const double increment : {0.0, -0.5}) {
        camera->setRange("Float", 0.1, 1.0, increment);
        double min = 0, max = 0, inc = 0;
        access->getValueAndLimits("Float", &min, &max, &inc);
        EXPECT_DOUBLE_EQ(max, 1.0);
        EXPECT_DOUBLE_EQ(writeFloat(0.37), 0.37);
        EXPECT_DOUBLE_EQ(writeFloat(7.0), 1.0);
        EXPECT_DOUBLE_EQ(writeFloat(-7.0), 0.1);
    }
    EXPECT_THROW(access->setValueAsDouble("Float", std::nan("")), Tovrik::InvalidParameterException);
}

TEST_F(FeatureAccessTest, LimitsOfOtherTypesAreRefusedAfterTheWritabilityQuery)
{
    double min = 0, max = 0, inc = 0;
    EXPECT_EQ(messageOf<Tovrik::InvalidParameterException>(
                  [&] { access->getValueAndLimits("Mode", &min, &max, &inc); }),
              "Feature type not supporting min/max/inc!");
    camera->injectFault("Mode", SimOperation::IsWritable, -118);
    EXPECT_THROW(access->getValueAndLimits("Mode", &min, &max, &inc), Tovrik::IOErrorException);
}

TEST_F(FeatureAccessTest, NonNumericDoubleReadGivesLowestAndLogs)
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
    EXPECT_EQ(access->getValueAsDouble("Mode"), std::numeric_limits<double>::lowest()); // no callback: silent
    EXPECT_EQ(access->setValueAsDouble("Serial", 3.5), 3.5); // other types: nothing written
}

TEST_F(FeatureAccessTest, StringWritesReturnTheReadBackAndIgnoreRefusals)
{
    EXPECT_EQ(access->setValueAsString("Mode", "Auto"), "Auto");
    EXPECT_EQ(access->setValueAsString("Mode", "Bogus"), "Auto");
    EXPECT_EQ(sdkWrites(*camera), (std::vector<std::string>{"Mode=Auto", "Mode=Bogus !-120"}));
}

TEST_F(FeatureAccessTest, AvailabilityAndWritabilityErrorsReadAsFalse)
{
    EXPECT_TRUE(access->isFeatureAvailable("Int"));
    camera->injectFault("Int", SimOperation::IsAvailable, -118);
    camera->injectFault("Int", SimOperation::IsWritable, -118);
    EXPECT_FALSE(access->isFeatureAvailable("Int"));
    EXPECT_FALSE(access->isFeatureWritable("Int"));
}

TEST_F(FeatureAccessTest, FeatureInfoUsesEntryTextForEnumerationsAndDescriptionOtherwise)
{
    EXPECT_EQ(access->getFeatureInfo("Mode"), "On text");
    EXPECT_EQ(access->getFeatureInfo("Int"), "Int description");
    camera->injectFault("Mode", SimOperation::GetEntryDescriptions, -118);
    EXPECT_EQ(access->getFeatureInfo("Mode"), QString()); // texts list left empty: too short
    camera->clearFaults();
    camera->injectFault("Mode", SimOperation::GetType, -118);
    EXPECT_EQ(access->getFeatureInfo("Mode"), QString());
}

TEST_F(FeatureAccessTest, AvailableEntriesFollowTheCamera)
{
    camera->setEntryAvailable("Mode", "On", false);
    EXPECT_EQ(access->getAvailableEnumEntries("Mode"), (QStringList{"Off", "Auto"}));
    camera->injectFault("Mode", SimOperation::IsEntryAvailable, -106, 1);
    EXPECT_THROW(access->getAvailableEnumEntries("Mode"), Tovrik::NotAvailableException);
}

TEST_F(FeatureAccessTest, SdkFailuresOfReadsBecomeTypedExceptions)
{
    camera->injectFault("Float", SimOperation::GetValue, -123);
    EXPECT_THROW(access->getValueAsDouble("Float"), Tovrik::BusyException);
    EXPECT_THROW(access->getValueAsString("Float"), Tovrik::BusyException);
    camera->injectFault("Int", SimOperation::GetRange, 7);
    try {
        access->setValueAsDouble("Int", 3);
        ADD_FAILURE();
    } catch (const Tovrik::GenericException& exception) {
        EXPECT_EQ(exception.code, 7);
    }
}
