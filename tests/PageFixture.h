#pragma once

#include "LineTriggerWidget.h"
#include "SimFixtures.h"
#include "TestHost.h"

#include <QMetaObject>

#include <gtest/gtest.h>

#include <memory>

// A page on the simulated line-scan camera, with the camera's journal as the record of writes.
class PageFixture : public ::testing::Test
{
protected:
    void create()
    {
        page = std::make_unique<LineTriggerWidget>(camera->features(), host, nullptr);
        page->resize(685, 918);
    }
    void showPage()
    {
        if (!page)
            create();
        page->show();
    }
    // One 1000 ms tick, without waiting for it.
    void tick() { QMetaObject::invokeMethod(page.get(), "updateTimer"); }
    void rebuild(const SimCameraBuilder& builder) { camera = builder.build(); }

    // Writes made through the page since the last call.
    std::vector<std::string> newWrites()
    {
        std::vector<std::string> all = sdkWrites(*camera);
        std::vector<std::string> fresh(all.begin() + static_cast<long>(std::min(seen, all.size())),
                                       all.end());
        seen = all.size();
        return fresh;
    }
    void forgetWrites() { newWrites(); }
    QStringList newMessages()
    {
        QStringList all = host.messages();
        QStringList fresh = all.mid(seenMessages);
        seenMessages = all.size();
        return fresh;
    }

    std::shared_ptr<SimCamera> camera = SimCameraBuilder::lineScanCamera().build();
    TestHost host;
    std::unique_ptr<LineTriggerWidget> page;
    size_t seen = 0;
    int seenMessages = 0;
};
