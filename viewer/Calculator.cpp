#include "Calculator.h"

#include "TriggerMath.h"
#include "TriggerVerdict.h"

#include "InstallationEditor.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include <cmath>

namespace {

struct Counting
{
    const char* label;
    TriggerMath::Counting counting;
    bool twoChannels;
};
const Counting countings[] = {
    {"FourPhase, two channels (A and B)", TriggerMath::Counting::FourPhase, true},
    {"FourPhase, one channel (A)", TriggerMath::Counting::FourPhase, false},
    {"HighResolution, two channels", TriggerMath::Counting::HighResolution, true},
    {"HighResolution, one channel", TriggerMath::Counting::HighResolution, false},
};

} // namespace

Calculator::Calculator(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    m_inputs = new InstallationEditor(QString(), false, this);
    m_inputs->setFlat(true);
    layout->addWidget(m_inputs);
    auto* form = new QFormLayout;
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    layout->addLayout(form);
    m_counting = new QComboBox(this);
    for (const Counting& counting : countings)
        m_counting->addItem(QString::fromLatin1(counting.label));
    form->addRow(tr("Encoder mode:"), m_counting);
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("pulsesPerLine"));
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_result->setStyleSheet(QStringLiteral("font-weight: bold;"));
    m_result->setWordWrap(true);
    form->addRow(tr("Pulses per line for square pixels:"), m_result);
    m_belt = new QLabel(this);
    m_belt->setObjectName(QStringLiteral("fastestBelt"));
    m_belt->setWordWrap(true);
    form->addRow(tr("Fastest belt:"), m_belt);
    auto* note = new QLabel(
        tr("Enter the pulses per line on the Line Trigger page; nothing here writes the camera."), this);
    note->setWordWrap(true);
    form->addRow(note);
    layout->addStretch();

    calculate();
    connect(m_inputs, &InstallationEditor::edited, this, [this] {
        calculate();
        emit inputsEdited();
    });
    connect(m_counting, qOverload<int>(&QComboBox::currentIndexChanged), this, &Calculator::calculate);
}

void Calculator::setCamera(double exposureUs, double topLineRate)
{
    const auto camera = std::make_pair(exposureUs, topLineRate);
    if (m_camera == camera)
        return;
    m_camera = camera;
    calculate();
}

void Calculator::setInputs(const Installation& inputs)
{
    m_inputs->setFigures(inputs);
    calculate();
}

Installation Calculator::inputs() const
{
    return m_inputs->figures();
}

QString Calculator::pulsesPerLine() const
{
    return m_result->text();
}

QString Calculator::fastestBelt() const
{
    return m_belt->text();
}

void Calculator::calculate()
{
    const Counting& counting = countings[std::max(0, m_counting->currentIndex())];
    const Installation inputs = m_inputs->figures();
    const double pulsesPerMm = inputs.pulsesPerMm();
    const double countsPerPulse = TriggerMath::countsPerPulse(counting.counting, counting.twoChannels);
    const double divider = TriggerMath::dividerForSquarePixels(inputs.pixelSize, pulsesPerMm, countsPerPulse);
    // The page's box takes four decimals; the camera takes at least 1.
    m_result->setText(divider < 1.0
                          ? tr("%1: below 1, the encoder is too coarse for this pixel size; at 1, lines "
                               "are %2 mm apart")
                                .arg(divider, 0, 'f', 4)
                                .arg(1.0 / (pulsesPerMm * countsPerPulse), 0, 'f', 4)
                          : QString::number(divider, 'f', 4));
    const double linesPerMm = 1.0 / inputs.pixelSize;
    if (!m_camera) {
        m_belt->setText(tr("not available yet: the camera's exposure is not known"));
        return;
    }
    const double exposure = m_camera->first;
    const double readout = TriggerMath::readoutUs(m_camera->second);
    const double fastest = TriggerMath::maxBeltSpeed(linesPerMm, exposure, readout);
    m_belt->setText(tr("%1: at an exposure of %2 µs the camera takes at most %3 lines a second")
                        .arg(TriggerVerdict::speedText(fastest))
                        .arg(exposure)
                        .arg(std::floor(TriggerMath::maxLineRate(exposure, readout))));
}
