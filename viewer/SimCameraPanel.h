#pragma once

#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QTreeWidget;
class SimCamera;
struct SimJournalEntry;

// The simulated camera as another tool sees it: every feature's value per selector entry,
// writability and availability, refreshed live; a form to change any value; the write journal.
class SimCameraPanel : public QWidget
{
    Q_OBJECT

public:
    explicit SimCameraPanel(std::shared_ptr<SimCamera> camera, QWidget* parent = nullptr);

    // Writes as another party would; returns the camera's status (0 on success).
    int writeValue(const QString& feature, const QString& value, const QString& selectorEntry = QString());
    void refresh();
    QString journalText() const;
    // Journal entries from index from on, one line each.
    static QString journalOf(const std::vector<SimJournalEntry>& journal, size_t from);
    QTreeWidget* featureTree() const { return m_tree; }

private:
    void rebuildTree();
    void updateEntryChoices();
    void writeFromForm();
    void toggleMasterSlave();

    std::shared_ptr<SimCamera> m_camera;
    QTreeWidget* m_tree = nullptr;
    QComboBox* m_featureBox = nullptr;
    QComboBox* m_entryBox = nullptr;
    QComboBox* m_valueBox = nullptr;
    QLabel* m_writeResult = nullptr;
    QPlainTextEdit* m_journal = nullptr;
    size_t m_journalShown = 0;
    QTimer m_refreshTimer;
};
