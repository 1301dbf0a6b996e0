#include "ViewerHost.h"

#include "PlugInHostLogRecord.h"

#include <QDateTime>
#include <QWidget>

#include <cstdio>

ViewerHost::ViewerHost(uint32_t interfaceVersion, QObject* parent)
    : QObject(parent), m_interfaceVersion(interfaceVersion)
{}

void ViewerHost::setFeatures(std::vector<std::shared_ptr<Tovrik::Feature>> features)
{
    m_features = std::move(features);
}

void ViewerHost::setWidget(const QString& name, QWidget* widget)
{
    m_widgets.insert(name, widget);
}

uint32_t ViewerHost::getInterfaceVersion() const
{
    return m_interfaceVersion;
}

void ViewerHost::log(PlugInHostLogLevel level, const QString& message)
{
    const QString line = QStringLiteral("%1 [%2] %3")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")),
                                  levelName(level), message);
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    emit logged(level, message);
}

void ViewerHost::logRecord(const PlugInHostLogRecord& record)
{
    log(record.level,
        record.details.isEmpty() ? record.message : record.message + QStringLiteral(" — ") + record.details);
}

QVector<std::shared_ptr<Tovrik::Feature>> ViewerHost::getFeatures(int selector)
{
    // Selector 3: the connected camera's features; nothing else is offered.
    if (selector != 3)
        return {};
    return QVector<std::shared_ptr<Tovrik::Feature>>(m_features.begin(), m_features.end());
}

QWidget* ViewerHost::getWidget(const QString& name)
{
    return m_widgets.value(name).data();
}

QString ViewerHost::levelName(PlugInHostLogLevel level)
{
    switch (level) {
    case PlugInHostLogLevel::Error:
        return QStringLiteral("error");
    case PlugInHostLogLevel::Warning:
        return QStringLiteral("warning");
    case PlugInHostLogLevel::Info:
        return QStringLiteral("info");
    case PlugInHostLogLevel::Debug:
        return QStringLiteral("debug");
    }
    return QStringLiteral("level %1").arg(static_cast<int>(level));
}
