#include "TriggerCheck.h"

#include "TriggerVerdict.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString activityText(TriggerObservation::Activity activity)
{
    switch (activity) {
    case TriggerObservation::Activity::Active:
        return QStringLiteral("<span style='color:#1a7f37'>&#9679; active</span>");
    case TriggerObservation::Activity::High:
        return QStringLiteral("<span style='color:#666'>&#9675; still, high</span>");
    case TriggerObservation::Activity::Low:
        return QStringLiteral("<span style='color:#666'>&#9675; still, low</span>");
    case TriggerObservation::Activity::Unknown:
        break;
    }
    return QStringLiteral("<span style='color:#999'>not available</span>");
}

} // namespace

TriggerCheck::TriggerCheck(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_verdict = new QLabel(this);
    m_verdict->setObjectName(QStringLiteral("verdict"));
    m_verdict->setWordWrap(true);
    m_verdict->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_verdict->setStyleSheet(QStringLiteral("font-weight: bold; padding: 4px;"));
    layout->addWidget(m_verdict);
    auto* form = new QFormLayout;
    m_encoder = new QLabel(this);
    form->addRow(tr("Encoder:"), m_encoder);
    auto* lines = new QHBoxLayout;
    for (int line = 1; line <= 4; ++line) {
        m_lines[static_cast<size_t>(line)] = new QLabel(this);
        lines->addWidget(new QLabel(QStringLiteral("Line%1").arg(line), this));
        lines->addWidget(m_lines[static_cast<size_t>(line)]);
        lines->addSpacing(8);
    }
    lines->addStretch();
    form->addRow(tr("Lines:"), lines);
    layout->addLayout(form);

    show();
}

QString TriggerCheck::verdict() const
{
    return TriggerVerdict::sentence(m_observation);
}

void TriggerCheck::add(const TriggerSample& sample)
{
    m_sampler.add(sample);
    m_observation = m_sampler.observation();
    show();
}

void TriggerCheck::setInstallation(const std::optional<Installation>& installation)
{
    m_sampler.setInstallation(installation);
    m_observation = m_sampler.observation();
    show();
}

void TriggerCheck::show()
{
    const TriggerObservation& o = m_observation;
    m_verdict->setText(verdict());
    if (!o.encoderValue) {
        m_encoder->setText(tr("not available"));
    } else {
        const QString direction = o.encoderStatus == QLatin1String("EncoderUp")     ? tr("up")
                                  : o.encoderStatus == QLatin1String("EncoderDown") ? tr("down")
                                  : o.encoderStatus == QLatin1String("EncoderIdle") ? tr("idle, no input")
                                  : o.encoderStatus.isEmpty() ? tr("direction not available")
                                                              : tr("still");
        m_encoder->setText(
            tr("position %1 counts, %2, %3 counts a second")
                .arg(*o.encoderValue)
                .arg(direction)
                .arg(o.countsPerSecond ? QString::number(std::lround(*o.countsPerSecond)) : tr("?")));
    }
    for (int line = 1; line <= 4; ++line)
        m_lines[static_cast<size_t>(line)]->setText(activityText(o.lines[static_cast<size_t>(line)]));
}
