#pragma once

#include "PlugInHostLogLevel.h"

#include <QTableWidget>

// The host log: one row per entry with time, level and message, newest at the bottom.
class LogPanel : public QTableWidget
{
    Q_OBJECT

public:
    explicit LogPanel(QWidget* parent = nullptr);

    void append(PlugInHostLogLevel level, const QString& message);
    QStringList messages() const;
};
