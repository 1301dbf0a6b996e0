#pragma once

#include "PlugInHostInterface2.h"
#include "PlugInHostLogRecord.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <ostream>
#include <vector>

// Readable QString values in test failures.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

// A host that records what a plug-in asks of it.
class TestHost : public PlugInHostInterface2
{
public:
    struct Entry
    {
        int level;
        QString message;
    };

    uint32_t getInterfaceVersion() const override { return version; }
    void log(PlugInHostLogLevel level, const QString& message) override
    {
        entries.push_back({static_cast<int>(level), message});
    }
    void logRecord(const PlugInHostLogRecord& record) override
    {
        entries.push_back(
            {static_cast<int>(record.level), record.message + QLatin1Char('|') + record.details});
    }
    QVector<std::shared_ptr<Tovrik::Feature>> getFeatures(int selector) override
    {
        ++featureCalls;
        lastSelector = selector;
        return QVector<std::shared_ptr<Tovrik::Feature>>(features.begin(), features.end());
    }
    QWidget* getWidget(const QString& name) override
    {
        widgetRequests.append(name);
        return widgets.value(name);
    }

    QStringList messages() const
    {
        QStringList result;
        for (const Entry& entry : entries)
            result.append(entry.message);
        return result;
    }

    uint32_t version = 2;
    std::vector<std::shared_ptr<Tovrik::Feature>> features;
    QMap<QString, QWidget*> widgets;
    std::vector<Entry> entries;
    QStringList widgetRequests;
    int featureCalls = 0;
    int lastSelector = -1;
};
