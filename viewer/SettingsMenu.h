#pragma once

#include "PlugInHostLogLevel.h"
#include "SettingsSnapshot.h"

#include <QFutureWatcher>
#include <QMenu>

#include <functional>
#include <optional>
#include <vector>

class QTableWidget;
class QTabWidget;
class ViewerCamera;

// The window's "Settings" menu: snapshots of the camera's settings saved, applied and compared.
// The camera is read and written on a pooled thread (on a GenICam camera that waits on the
// network); meanwhile the page is set aside, since reading every entry moves the selectors it
// works through. One job at a time.
class SettingsMenu : public QMenu
{
    Q_OBJECT

public:
    SettingsMenu(ViewerCamera& camera, QTabWidget& pages, QWidget* parent = nullptr);

    // What the entries do once their files are chosen; finished() follows, also on failure.
    void save(const QString& path);
    void apply(const QString& path);
    void compareWithCamera(const QString& path);
    void compareFiles(const QString& left, const QString& right);
    // Takes a snapshot of the camera for another use; none when another job is running.
    void take(const std::function<void(const std::optional<SettingsSnapshot>&)>& done);
    // Until its end has been handled here: a job that ran quickly is not over before that.
    bool busy() const { return m_job.isRunning() || m_done != nullptr; }
    // The last comparison's table: feature, entry, one side, the other.
    QTableWidget* differences() const { return m_table; }

signals:
    void message(PlugInHostLogLevel level, const QString& text);
    void finished();

private:
    // An entry that asks for a file to open (or save) and hands it to action.
    void addFileAction(const QString& text, const QString& title, bool saving,
                       void (SettingsMenu::*action)(const QString& path));
    // work on a pooled thread, then done on this one; false (and said) when another runs.
    bool run(std::function<void()> work, std::function<void()> done);
    std::optional<SettingsSnapshot> load(const QString& path);
    void showDifferences(const QString& title, const QString& left, const QString& right,
                         const std::vector<SettingsSnapshot::Difference>& differences);

    ViewerCamera& m_camera;
    QTabWidget& m_pages;
    QFutureWatcher<void> m_job;
    std::function<void()> m_done;
    int m_pageBefore = 0;
    QTableWidget* m_table = nullptr;
};
