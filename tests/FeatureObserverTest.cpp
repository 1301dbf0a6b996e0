#include "PluginFeatureObserver.h"
#include "SimFixtures.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

TEST(PluginFeatureObserver, EmitsTheNameForEveryCallbackAndNothingForNoFeature)
{
    auto camera = SimCamera::create({enumFeature("Mode", {"A", "B"}, "A")});
    PluginFeatureObserver observer;
    QSignalSpy spy(&observer, &PluginFeatureObserver::setChangedFeature);
    std::shared_ptr<Tovrik::Feature> feature = camera->feature("Mode");
    std::shared_ptr<Tovrik::Feature> none;
    observer.featureUpdated(feature);
    observer.featureUpdated(none);
    observer.featureUpdated(feature);
    camera->injectFault("Mode", SimOperation::GetName, -118);
    observer.featureUpdated(feature); // an unreadable name is emitted empty
    ASSERT_EQ(spy.count(), 3);
    EXPECT_EQ(spy.at(0).at(0).toString(), "Mode");
    EXPECT_EQ(spy.at(1).at(0).toString(), "Mode");
    EXPECT_EQ(spy.at(2).at(0).toString(), QString());
}
