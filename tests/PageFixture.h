#pragma once

#include "LineTriggerWidget.h"
#include "SimFixtures.h"
#include "SvgView.h"
#include "TestHost.h"

#include <QMetaObject>

#include <gtest/gtest.h>

#include <memory>

inline QStringList items(const QComboBox* box)
{
    QStringList result;
    for (int i = 0; i < box->count(); ++i)
        result << box->itemText(i);
    return result;
}

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
    // A new camera of the builder's make, and a new page on it.
    void rebuild(const SimCameraBuilder& builder = SimCameraBuilder::lineScanCamera())
    {
        camera = builder.build();
        seen = 0;
        create();
    }

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
    // The wiring diagram shown, empty when none is.
    QString diagram() const
    {
        auto* view = page->findChild<SvgView*>();
        return view && page->svgViewHolder->isVisibleTo(page.get()) ? view->fileName() : QString();
    }
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
