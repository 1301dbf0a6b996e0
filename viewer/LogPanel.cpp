#include "LogPanel.h"

#include "ViewerHost.h"

#include <QDateTime>
#include <QHeaderView>

LogPanel::LogPanel(QWidget* parent) : QTableWidget(0, 3, parent)
{
    setHorizontalHeaderLabels({tr("Time"), tr("Level"), tr("Message")});
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    verticalHeader()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setWordWrap(false);
}

void LogPanel::append(PlugInHostLogLevel level, const QString& message)
{
    const int row = rowCount();
    insertRow(row);
    setItem(row, 0,
            new QTableWidgetItem(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz"))));
    auto* levelItem = new QTableWidgetItem(ViewerHost::levelName(level));
    if (level == PlugInHostLogLevel::Error)
        levelItem->setForeground(QColor(0xb0, 0x20, 0x20));
    setItem(row, 1, levelItem);
    auto* messageItem = new QTableWidgetItem(message);
    messageItem->setToolTip(message);
    setItem(row, 2, messageItem);
    scrollToBottom();
}

QStringList LogPanel::messages() const
{
    QStringList result;
    for (int row = 0; row < rowCount(); ++row)
        result.append(item(row, 2)->text());
    return result;
}
