#pragma once

#include "PlugInHostInterface2.h"

#include <QMap>
#include <QObject>
#include <QPointer>

#include <memory>
#include <vector>

// The viewer's side of the plug-in interface: hands out the camera's features and named widgets
// and turns log calls into a signal (and standard error).
class ViewerHost : public QObject, public PlugInHostInterface2
{
    Q_OBJECT

public:
    explicit ViewerHost(uint32_t interfaceVersion, QObject* parent = nullptr);

    void setFeatures(std::vector<std::shared_ptr<Tovrik::Feature>> features);
    void setWidget(const QString& name, QWidget* widget);

    uint32_t getInterfaceVersion() const override;
    void log(PlugInHostLogLevel level, const QString& message) override;
    void logRecord(const PlugInHostLogRecord& record) override;
    QVector<std::shared_ptr<Tovrik::Feature>> getFeatures(int selector) override;
    QWidget* getWidget(const QString& name) override;

    static QString levelName(PlugInHostLogLevel level);

signals:
    void logged(PlugInHostLogLevel level, const QString& message);

private:
    uint32_t m_interfaceVersion;
    std::vector<std::shared_ptr<Tovrik::Feature>> m_features;
    QMap<QString, QPointer<QWidget>> m_widgets;
};
