#include "TriggerCheck.h"

#include "TriggerVerdict.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QStringList>
#include <QVBoxLayout>

#include <cmath>

namespace {

// How long circles found in view stand for the image when none are in view now.
constexpr qint64 imageLifetimeMs = 10000;

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
    QFont bold = m_verdict->font();
    bold.setBold(true);
    m_verdict->setFont(bold);
    m_verdict->setMargin(4);
    // Three lines kept for the verdict: the longest do not move what lies below.
    m_verdict->setText(QStringLiteral("1\n2\n3"));
    m_verdict->setMinimumHeight(m_verdict->sizeHint().height());
    m_verdict->clear();
    m_verdict->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    layout->addWidget(m_verdict);
    auto* form = new QFormLayout;
    m_encoder = new QLabel(this);
    form->addRow(tr("Encoder:"), m_encoder);
    // Two by two: four in a row are wider than the panel on a laptop's screen.
    auto* lines = new QGridLayout;
    for (int line = 1; line <= 4; ++line) {
        m_lines[static_cast<size_t>(line)] = new QLabel(this);
        const int row = (line - 1) / 2;
        const int column = (line - 1) % 2 * 2;
        lines->addWidget(new QLabel(QStringLiteral("Line%1").arg(line), this), row, column);
        lines->addWidget(m_lines[static_cast<size_t>(line)], row, column + 1);
    }
    lines->setColumnStretch(4, 1);
    form->addRow(tr("Lines:"), lines);
    m_belt = new QLabel(this);
    m_belt->setObjectName(QStringLiteral("belt"));
    m_belt->setWordWrap(true);
    form->addRow(tr("Belt:"), m_belt);
    m_installation = new QLabel(this);
    m_installation->setObjectName(QStringLiteral("installationFigures"));
    m_installation->setWordWrap(true);
    form->addRow(tr("Installation:"), m_installation);
    m_image = new QLabel(this);
    m_image->setObjectName(QStringLiteral("image"));
    m_image->setWordWrap(true);
    form->addRow(tr("Image:"), m_image);
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
    observe();
}

void TriggerCheck::setInstallation(const std::optional<Installation>& installation)
{
    m_sampler.setInstallation(installation);
    m_entered = installation.has_value();
    observe();
}

void TriggerCheck::setImageMeasurement(const std::optional<CircleTarget::Measurement>& measurement)
{
    m_imageMeasured = true;
    if (measurement) {
        m_imageMeasurement = measurement;
        m_imageAge.start();
        m_imageSettings = m_observation.settings;
    } else if (m_imageMeasurement &&
               (m_imageAge.elapsed() > imageLifetimeMs || m_imageSettings != m_observation.settings)) {
        m_imageMeasurement.reset();
    }
    observe();
}

void TriggerCheck::forgetImage()
{
    m_imageMeasured = false;
    m_imageMeasurement.reset();
    observe();
}

void TriggerCheck::observe()
{
    m_observation = m_sampler.observation();
    if (m_imageMeasurement)
        m_observation.stretchFromImage = m_imageMeasurement->stretch;
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
    const TriggerVerdict::Figures f = TriggerVerdict::figures(o);
    QStringList belt;
    if (f.beltSpeed)
        belt << TriggerVerdict::speedText(*f.beltSpeed) +
                    (f.beltDirectionKnown ? QString() : tr(", either way"));
    if (f.linesPerMm)
        belt << tr("%1 lines per mm").arg(*f.linesPerMm, 0, 'g', 4);
    if (f.stretch)
        belt << tr("stretch %1 (1 is square)").arg(*f.stretch, 0, 'f', 3);
    m_belt->setText(belt.isEmpty() ? tr("not known") : belt.join(QStringLiteral(" · ")));
    if (o.installation)
        m_installation->setText(tr("pixels of %1 mm on the object, encoder of %2 pulses per mm (%3)")
                                    .arg(o.installation->pixelSize)
                                    .arg(o.installation->pulsesPerMm(), 0, 'g', 6)
                                    .arg(m_entered ? tr("entered for this camera") : tr("the bench's own")));
    else
        m_installation->setText(tr("not known: enter the pixel size and the encoder under Installation"));
    if (!m_imageMeasured)
        m_image->setText(tr("not measured yet"));
    else if (!m_imageMeasurement)
        m_image->setText(tr("no filled circles wholly in view: nothing measured"));
    else
        m_image->setText(
            tr("stretch %1 ± %2 from %3 in view (1 is square)")
                .arg(m_imageMeasurement->stretch, 0, 'f', 3)
                .arg(m_imageMeasurement->spread, 0, 'f', 3)
                .arg(m_imageMeasurement->circles == 1
                         ? tr("1 filled circle")
                         : tr("%1 filled circles").arg(m_imageMeasurement->circles)) +
            (m_imageAge.elapsed() > 1500 ? tr(", %1 s ago").arg(m_imageAge.elapsed() / 1000) : QString()));
}
