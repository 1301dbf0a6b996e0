#pragma once

#include "PlugInHostBaseInterface.h"

#include <QVector>

#include <memory>

class QWidget;
namespace Tovrik {
class Feature;
}

class HOST_API_TYPE PlugInHostInterface2 : public PlugInHostBaseInterface
{
public:
    // Selector 3: the features of the connected camera.
    virtual QVector<std::shared_ptr<Tovrik::Feature>> getFeatures(int selector) = 0;
    // An empty name gives a widget to parent pages to; other names give named host widgets,
    // e.g. the "Acquisition Control" tab widget. The caller does not own the result.
    virtual QWidget* getWidget(const QString& name) = 0;
};
