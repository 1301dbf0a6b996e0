#include "SettingsMenu.h"

#include "CameraDevice.h"
#include "ViewerCamera.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QSaveFile>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <memory>

namespace {

const QString filter = QObject::tr("Settings snapshots (*.json)");

} // namespace

SettingsMenu::SettingsMenu(ViewerCamera& camera, QTabWidget& pages, QWidget* parent)
    : QMenu(tr("&Settings"), parent), m_camera(camera), m_pages(pages)
{
    connect(&m_job, &QFutureWatcher<void>::finished, this, [this] {
        m_pages.setEnabled(true);
        m_pages.setCurrentIndex(m_pageBefore);
        if (const auto done = std::exchange(m_done, nullptr))
            done();
        emit finished();
    });
    addFileAction(tr("Save a snapshot…"), tr("Save the camera's settings"), true, &SettingsMenu::save);
    addFileAction(tr("Apply a snapshot…"), tr("Apply settings to the camera"), false, &SettingsMenu::apply);
    addSeparator();
    addFileAction(tr("Compare a snapshot with the camera…"), tr("Compare with the camera"), false,
                  &SettingsMenu::compareWithCamera);
    addAction(tr("Compare two snapshots…"), this, [this] {
        const QStringList paths =
            QFileDialog::getOpenFileNames(parentWidget(), tr("Choose two snapshots"), QString(), filter);
        if (paths.size() == 2)
            compareFiles(paths[0], paths[1]);
        else if (!paths.isEmpty())
            emit message(PlugInHostLogLevel::Warning,
                         tr("Choose two snapshots to compare, not %1.").arg(paths.size()));
    });
}

void SettingsMenu::addFileAction(const QString& text, const QString& title, bool saving,
                                 void (SettingsMenu::*action)(const QString& path))
{
    addAction(text, this, [this, title, saving, action] {
        const QString path = saving ? QFileDialog::getSaveFileName(parentWidget(), title, QString(), filter)
                                    : QFileDialog::getOpenFileName(parentWidget(), title, QString(), filter);
        if (!path.isEmpty())
            (this->*action)(path);
    });
}

bool SettingsMenu::run(std::function<void()> work, std::function<void()> done)
{
    if (busy()) {
        emit message(PlugInHostLogLevel::Warning,
                     tr("A snapshot is still being taken or applied: try again then."));
        emit finished();
        return false;
    }
    setEnabled(false);
    m_done = [this, done = std::move(done)] {
        setEnabled(true);
        done();
    };
    // The page goes through the selectors too: it rests while they move.
    m_pageBefore = m_pages.currentIndex();
    m_pages.setCurrentIndex(0);
    m_pages.setEnabled(false);
    m_job.setFuture(QtConcurrent::run(std::move(work)));
    return true;
}

void SettingsMenu::take(const std::function<void(const std::optional<SettingsSnapshot>&)>& done)
{
    auto taken = std::make_shared<SettingsSnapshot>();
    if (!run([taken, device = m_camera.sharedDevice()] { *taken = SettingsSnapshot::take(*device); },
             [taken, done] { done(*taken); }))
        done(std::nullopt);
}

std::optional<SettingsSnapshot> SettingsMenu::load(const QString& path)
{
    QString problem;
    std::optional<SettingsSnapshot> snapshot = SettingsSnapshot::readFile(path, &problem);
    if (!snapshot)
        emit message(PlugInHostLogLevel::Error,
                     tr("Snapshot %1: %2").arg(QDir::toNativeSeparators(path), problem));
    return snapshot;
}

void SettingsMenu::save(const QString& path)
{
    take([this, path](const std::optional<SettingsSnapshot>& taken) {
        if (!taken)
            return;
        QSaveFile file(path);
        if (file.open(QIODevice::WriteOnly) && file.write(taken->toJson()) >= 0 && file.commit())
            emit message(PlugInHostLogLevel::Info, tr("Saved %1 features of the camera to %2.")
                                                       .arg(taken->features().size())
                                                       .arg(QDir::toNativeSeparators(path)));
        else
            emit message(PlugInHostLogLevel::Error,
                         tr("Could not save the settings to %1: %2")
                             .arg(QDir::toNativeSeparators(path), file.errorString()));
    });
}

void SettingsMenu::apply(const QString& path)
{
    const std::optional<SettingsSnapshot> snapshot = load(path);
    if (!snapshot) {
        emit finished();
        return;
    }
    auto outcome = std::make_shared<SettingsSnapshot::Outcome>();
    run([snapshot = *snapshot, outcome,
         device = m_camera.sharedDevice()] { *outcome = snapshot.apply(*device); },
        [this, outcome, path] {
            for (const SettingsSnapshot::Refusal& refusal : outcome->refused)
                emit message(
                    PlugInHostLogLevel::Error,
                    tr("Snapshot: %1%2 = %3 refused: %4")
                        .arg(refusal.feature,
                             refusal.entry.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(refusal.entry),
                             refusal.value, refusal.reason));
            emit message(outcome->refused.empty() ? PlugInHostLogLevel::Info : PlugInHostLogLevel::Warning,
                         tr("Applied %1: %2 values written, %3 already so, %4 refused.")
                             .arg(QDir::toNativeSeparators(path))
                             .arg(outcome->written)
                             .arg(outcome->unchanged)
                             .arg(outcome->refused.size()));
        });
}

void SettingsMenu::compareWithCamera(const QString& path)
{
    const std::optional<SettingsSnapshot> snapshot = load(path);
    if (!snapshot) {
        emit finished();
        return;
    }
    take([this, snapshot = *snapshot, path](const std::optional<SettingsSnapshot>& taken) {
        if (!taken)
            return;
        showDifferences(tr("%1 against the camera").arg(QFileInfo(path).fileName()),
                        QFileInfo(path).fileName(), tr("the camera"),
                        SettingsSnapshot::compare(snapshot, *taken));
    });
}

void SettingsMenu::compareFiles(const QString& left, const QString& right)
{
    const std::optional<SettingsSnapshot> a = load(left);
    const std::optional<SettingsSnapshot> b = a ? load(right) : std::nullopt;
    if (a && b)
        showDifferences(tr("%1 against %2").arg(QFileInfo(left).fileName(), QFileInfo(right).fileName()),
                        QFileInfo(left).fileName(), QFileInfo(right).fileName(),
                        SettingsSnapshot::compare(*a, *b));
    emit finished();
}

void SettingsMenu::showDifferences(const QString& title, const QString& left, const QString& right,
                                   const std::vector<SettingsSnapshot::Difference>& differences)
{
    auto* dialog = new QDialog(parentWidget());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(title);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(new QLabel(differences.empty()       ? tr("No difference.")
                                 : differences.size() == 1 ? tr("1 value differs.")
                                                           : tr("%1 values differ.").arg(differences.size()),
                                 dialog));
    m_table = new QTableWidget(static_cast<int>(differences.size()), 4, dialog);
    m_table->setObjectName(QStringLiteral("differences"));
    m_table->setHorizontalHeaderLabels({tr("Feature"), tr("Entry"), left, right});
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    int row = 0;
    for (const SettingsSnapshot::Difference& difference : differences) {
        const QString missing = tr("(none)");
        const QStringList cells{difference.feature, difference.entry,
                                difference.left.isEmpty() ? missing : difference.left,
                                difference.right.isEmpty() ? missing : difference.right};
        for (int column = 0; column < cells.size(); ++column)
            m_table->setItem(row, column, new QTableWidgetItem(cells[column]));
        ++row;
    }
    m_table->resizeColumnsToContents();
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    layout->addWidget(buttons);
    dialog->resize(720, 420);
    dialog->show();
    emit message(PlugInHostLogLevel::Info,
                 differences.size() == 1
                     ? tr("Compared %1: 1 value differs.").arg(title)
                     : tr("Compared %1: %2 values differ.").arg(title).arg(differences.size()));
}
