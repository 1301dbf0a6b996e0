#include "SimCameraPanel.h"

#include "SimCamera.h"
#include "TovrikFeature.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString typeName(int type)
{
    switch (type) {
    case Tovrik::FeatureTypeBoolean:
        return QStringLiteral("Boolean");
    case Tovrik::FeatureTypeInteger:
        return QStringLiteral("Integer");
    case Tovrik::FeatureTypeFloat:
        return QStringLiteral("Float");
    case Tovrik::FeatureTypeString:
        return QStringLiteral("String");
    case Tovrik::FeatureTypeEnumeration:
        return QStringLiteral("Enumeration");
    case Tovrik::FeatureTypeCommand:
        return QStringLiteral("Command");
    default:
        return QStringLiteral("Other");
    }
}

QString yesNo(bool value)
{
    return value ? QStringLiteral("yes") : QStringLiteral("no");
}

} // namespace

SimCameraPanel::SimCameraPanel(std::shared_ptr<SimCamera> camera, QWidget* parent)
    : QWidget(parent), m_camera(std::move(camera)), m_refreshTimer(this)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    layout->addWidget(splitter);

    auto* featureGroup = new QGroupBox(tr("Simulated camera — features"), splitter);
    auto* featureLayout = new QVBoxLayout(featureGroup);
    m_tree = new QTreeWidget(featureGroup);
    m_tree->setHeaderLabels({tr("Feature"), tr("Value"), tr("Type"), tr("Writable"), tr("Available")});
    m_tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_tree->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_tree->setAlternatingRowColors(true);
    featureLayout->addWidget(m_tree);

    auto* form = new QFormLayout;
    m_featureBox = new QComboBox(featureGroup);
    m_entryBox = new QComboBox(featureGroup);
    m_valueBox = new QComboBox(featureGroup);
    m_valueBox->setEditable(true);
    m_valueBox->setInsertPolicy(QComboBox::NoInsert);
    auto* buttons = new QHBoxLayout;
    auto* writeButton = new QPushButton(tr("Write as another tool"), featureGroup);
    auto* slaveButton = new QPushButton(tr("Toggle Master/Slave"), featureGroup);
    m_writeResult = new QLabel(featureGroup);
    buttons->addWidget(writeButton);
    buttons->addWidget(slaveButton);
    buttons->addWidget(m_writeResult, 1);
    form->addRow(tr("Feature"), m_featureBox);
    form->addRow(tr("Selector entry"), m_entryBox);
    form->addRow(tr("Value"), m_valueBox);
    featureLayout->addLayout(form);
    featureLayout->addLayout(buttons);

    auto* journalGroup = new QGroupBox(tr("Write journal"), splitter);
    auto* journalLayout = new QVBoxLayout(journalGroup);
    m_journal = new QPlainTextEdit(journalGroup);
    m_journal->setReadOnly(true);
    m_journal->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_journal->setFont(QFont(QStringLiteral("monospace")));
    journalLayout->addWidget(m_journal);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);

    for (const std::string& name : m_camera->featureNames())
        m_featureBox->addItem(QString::fromStdString(name));
    connect(m_featureBox, &QComboBox::currentTextChanged, this, [this] { updateEntryChoices(); });
    connect(writeButton, &QPushButton::clicked, this, [this] { writeFromForm(); });
    connect(slaveButton, &QPushButton::clicked, this, [this] { toggleMasterSlave(); });
    connect(&m_refreshTimer, &QTimer::timeout, this, [this] { refresh(); });

    rebuildTree();
    updateEntryChoices();
    refresh();
    m_refreshTimer.start(250);
}

int SimCameraPanel::writeValue(const QString& feature, const QString& value, const QString& selectorEntry)
{
    const int status =
        m_camera->write(feature.toStdString(), value.toStdString(), selectorEntry.toStdString());
    m_writeResult->setText(status == 0 ? tr("%1 = %2 written").arg(feature, value)
                                       : tr("%1 refused the value (status %2)").arg(feature).arg(status));
    refresh();
    return status;
}

void SimCameraPanel::refresh()
{
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_tree->topLevelItem(i);
        const std::string name = item->text(0).toStdString();
        if (item->childCount() == 0) {
            item->setText(1, QString::fromStdString(m_camera->value(name)));
        } else {
            item->setText(1, QString());
            for (int c = 0; c < item->childCount(); ++c) {
                QTreeWidgetItem* child = item->child(c);
                child->setText(1, QString::fromStdString(m_camera->value(
                                      name, child->data(0, Qt::UserRole).toString().toStdString())));
            }
        }
        item->setText(3, yesNo(m_camera->isWritable(name)));
        item->setText(4, yesNo(m_camera->isAvailable(name)));
    }
    const std::vector<SimJournalEntry> journal = m_camera->journal();
    if (journal.size() < m_journalShown) {
        m_journal->clear();
        m_journalShown = 0;
    }
    if (journal.size() > m_journalShown)
        m_journal->appendPlainText(journalOf(journal, m_journalShown));
    if (journal.size() != m_journalShown) // the newest entry in view
        m_journal->verticalScrollBar()->setValue(m_journal->verticalScrollBar()->maximum());
    m_journalShown = journal.size();
}

QString SimCameraPanel::journalOf(const std::vector<SimJournalEntry>& journal, size_t from)
{
    QStringList lines;
    for (size_t i = from; i < journal.size(); ++i) {
        const SimJournalEntry& entry = journal[i];
        QString line = QStringLiteral("%1  %2%3 = %4")
                           .arg(entry.sequence, 4)
                           .arg(QString::fromStdString(entry.feature),
                                entry.selector.empty()
                                    ? QString()
                                    : QStringLiteral(" [%1]").arg(QString::fromStdString(entry.selector)),
                                QString::fromStdString(entry.value));
        if (entry.status != 0)
            line += QStringLiteral("   refused (%1)").arg(entry.status);
        if (entry.external)
            line += QStringLiteral("   by another tool");
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

QString SimCameraPanel::journalText() const
{
    return m_journal->toPlainText();
}

void SimCameraPanel::rebuildTree()
{
    m_tree->clear();
    for (const std::string& name : m_camera->featureNames()) {
        const SimFeatureDefinition definition = m_camera->definition(name);
        auto* item = new QTreeWidgetItem(m_tree);
        item->setText(0, QString::fromStdString(name));
        item->setText(2, typeName(definition.type));
        item->setToolTip(0, QString::fromStdString(definition.description));
        if (!definition.selector.empty()) {
            for (const std::string& entry : m_camera->selectorEntries(name)) {
                auto* child = new QTreeWidgetItem(item);
                child->setText(0, QStringLiteral("%1 = %2").arg(QString::fromStdString(definition.selector),
                                                                QString::fromStdString(entry)));
                child->setData(0, Qt::UserRole, QString::fromStdString(entry));
            }
            item->setExpanded(true);
        }
    }
}

void SimCameraPanel::updateEntryChoices()
{
    const std::string name = m_featureBox->currentText().toStdString();
    const SimFeatureDefinition definition = m_camera->definition(name);
    m_entryBox->clear();
    if (definition.selector.empty()) {
        m_entryBox->addItem(tr("(not selected)"), QString());
        m_entryBox->setEnabled(false);
    } else {
        m_entryBox->addItem(tr("(current selection)"), QString());
        for (const std::string& entry : m_camera->selectorEntries(name))
            m_entryBox->addItem(QString::fromStdString(entry), QString::fromStdString(entry));
        m_entryBox->setEnabled(true);
    }
    m_valueBox->clear();
    for (const SimEntry& entry : definition.entries)
        m_valueBox->addItem(QString::fromStdString(entry.name));
    if (definition.type == Tovrik::FeatureTypeBoolean)
        m_valueBox->addItems({QStringLiteral("true"), QStringLiteral("false")});
    m_valueBox->setCurrentText(QString::fromStdString(m_camera->value(name)));
}

void SimCameraPanel::writeFromForm()
{
    writeValue(m_featureBox->currentText(), m_valueBox->currentText(), m_entryBox->currentData().toString());
}

void SimCameraPanel::toggleMasterSlave()
{
    const bool slave = m_camera->value("MasterSlaveMode") == "Slave";
    writeValue(QStringLiteral("MasterSlaveMode"), slave ? QStringLiteral("Master") : QStringLiteral("Slave"));
}
