#include "PluginFeatureObserver.h"
#include "SimFixtures.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <thread>

TEST(PluginFeatureObserver, EmitsTheFeatureNameForEveryCallback)
{
    auto camera = SimCamera::create({enumFeature("Mode", {"A", "B"}, "A")});
    PluginFeatureObserver observer;
    QSignalSpy spy(&observer, &PluginFeatureObserver::setChangedFeature);
    std::shared_ptr<Tovrik::Feature> feature = camera->feature("Mode");
    observer.featureUpdated(feature);
    observer.featureUpdated(feature);
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0).at(0).toString(), "Mode");
    EXPECT_EQ(spy.at(1).at(0).toString(), "Mode");
}

TEST(PluginFeatureObserver, NullFeatureEmitsNothingAndUnreadableNameEmitsEmptyText)
{
    auto camera = SimCamera::create({enumFeature("Mode", {"A", "B"}, "A")});
    PluginFeatureObserver observer;
    QSignalSpy spy(&observer, &PluginFeatureObserver::setChangedFeature);
    std::shared_ptr<Tovrik::Feature> none;
    observer.featureUpdated(none);
    EXPECT_EQ(spy.count(), 0);
    camera->injectFault("Mode", SimOperation::GetName, -118);
    std::shared_ptr<Tovrik::Feature> feature = camera->feature("Mode");
    observer.featureUpdated(feature);
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy.at(0).at(0).toString(), QString());
}

TEST(PluginFeatureObserver, MetacastAnswersTheObserverInterfaceWithItsOwnPart)
{
    auto observer = std::make_shared<PluginFeatureObserver>();
    Tovrik::FeatureObserverInterface* part = observer.get();
    EXPECT_EQ(observer->qt_metacast("IFeatureObserver"), static_cast<void*>(part));
    EXPECT_NE(static_cast<void*>(part), static_cast<void*>(static_cast<QObject*>(observer.get())));
    EXPECT_EQ(observer->qt_metacast("PluginFeatureObserver"), static_cast<void*>(observer.get()));
    EXPECT_EQ(observer->qt_metacast(nullptr), nullptr);
    EXPECT_EQ(qobject_cast<Tovrik::FeatureObserverInterface*>(observer.get()), part);
}

TEST(PluginFeatureObserver, WorkerThreadCallbackIsQueuedToTheReceiversThread)
{
    auto camera = SimCamera::create({enumFeature("Mode", {"A", "B"}, "A")});
    PluginFeatureObserver observer;
    QObject receiver;
    QThread* receivedOn = nullptr;
    QString received;
    QObject::connect(&observer, &PluginFeatureObserver::setChangedFeature, &receiver,
                     [&](const QString& name) {
                         receivedOn = QThread::currentThread();
                         received = name;
                     });
    std::thread worker([&] {
        std::shared_ptr<Tovrik::Feature> feature = camera->feature("Mode");
        observer.featureUpdated(feature);
    });
    worker.join();
    EXPECT_EQ(receivedOn, nullptr); // not delivered on the worker
    QCoreApplication::processEvents();
    EXPECT_EQ(receivedOn, QThread::currentThread());
    EXPECT_EQ(received, "Mode");
}
