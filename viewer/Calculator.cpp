#include "Calculator.h"

#include "TriggerMath.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>

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
    auto* form = new QFormLayout(this);
    m_pixelSize = new QDoubleSpinBox(this);
    m_pixelSize->setRange(0.001, 10.0);
    m_pixelSize->setDecimals(4);
    m_pixelSize->setSuffix(tr(" mm"));
    form->addRow(tr("Pixel size on the object:"), m_pixelSize);
    m_byWheel = new QRadioButton(tr("Pulses per revolution and wheel:"), this);
    auto* byMm = new QRadioButton(tr("Pulses per mm:"), this);
    auto* group = new QButtonGroup(this);
    group->addButton(m_byWheel);
    group->addButton(byMm);
    m_byWheel->setChecked(true);
    m_pulses = new QSpinBox(this);
    m_pulses->setRange(1, 1000000);
    m_wheel = new QDoubleSpinBox(this);
    m_wheel->setRange(1.0, 10000.0);
    m_wheel->setDecimals(2);
    m_wheel->setSuffix(tr(" mm"));
    auto* wheelRow = new QHBoxLayout;
    wheelRow->addWidget(m_pulses);
    wheelRow->addWidget(m_wheel);
    form->addRow(m_byWheel, wheelRow);
    m_pulsesPerMm = new QDoubleSpinBox(this);
    m_pulsesPerMm->setRange(0.0001, 100000.0);
    m_pulsesPerMm->setDecimals(4);
    form->addRow(byMm, m_pulsesPerMm);
    m_counting = new QComboBox(this);
    for (const Counting& counting : countings)
        m_counting->addItem(QString::fromLatin1(counting.label));
    form->addRow(tr("Encoder mode:"), m_counting);
    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("pulsesPerLine"));
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_result->setStyleSheet(QStringLiteral("font-weight: bold;"));
    form->addRow(tr("Pulses per line for square pixels:"), m_result);
    m_belt = new QLabel(this);
    m_belt->setObjectName(QStringLiteral("fastestBelt"));
    m_belt->setWordWrap(true);
    form->addRow(tr("Fastest belt:"), m_belt);
    form->addRow(new QLabel(tr("Enter the pulses per line on the Line Trigger page; nothing here writes the "
                               "camera."),
                            this));

    setInputs(Installation());
    for (QDoubleSpinBox* box : {m_pixelSize, m_wheel, m_pulsesPerMm})
        connect(box, qOverload<double>(&QDoubleSpinBox::valueChanged), this, &Calculator::calculate);
    connect(m_pulses, qOverload<int>(&QSpinBox::valueChanged), this, &Calculator::calculate);
    connect(m_counting, qOverload<int>(&QComboBox::currentIndexChanged), this, &Calculator::calculate);
    connect(m_byWheel, &QRadioButton::toggled, this, &Calculator::calculate);
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
    {
        const QSignalBlocker blockers[] = {QSignalBlocker(m_pixelSize), QSignalBlocker(m_pulses),
                                           QSignalBlocker(m_wheel), QSignalBlocker(m_pulsesPerMm)};
        m_pixelSize->setValue(inputs.pixelSize);
        m_pulses->setValue(static_cast<int>(inputs.pulsesPerRevolution));
        m_wheel->setValue(inputs.wheelCircumference);
        m_pulsesPerMm->setValue(
            TriggerMath::pulsesPerMm(inputs.pulsesPerRevolution, inputs.wheelCircumference));
    }
    calculate();
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
    const double pulsesPerMm = m_byWheel->isChecked()
                                   ? TriggerMath::pulsesPerMm(m_pulses->value(), m_wheel->value())
                                   : m_pulsesPerMm->value();
    const double countsPerPulse = TriggerMath::countsPerPulse(counting.counting, counting.twoChannels);
    const double divider =
        TriggerMath::dividerForSquarePixels(m_pixelSize->value(), pulsesPerMm, countsPerPulse);
    // The page's box takes four decimals; the camera takes at least 1.
    m_result->setText(divider < 1.0
                          ? tr("%1: below 1, the encoder is too coarse for this pixel size; at 1, lines "
                               "are %2 mm apart")
                                .arg(divider, 0, 'f', 4)
                                .arg(1.0 / (pulsesPerMm * countsPerPulse), 0, 'f', 4)
                          : QString::number(divider, 'f', 4));
    const double linesPerMm = 1.0 / m_pixelSize->value();
    if (!m_camera) {
        m_belt->setText(tr("not available yet: the camera's exposure is not known"));
        return;
    }
    const double exposure = m_camera->first;
    const double readout = TriggerMath::readoutUs(m_camera->second);
    const double fastest = TriggerMath::maxBeltSpeed(linesPerMm, exposure, readout);
    m_belt->setText(
        tr("%1 mm/s (%2 m/min): at an exposure of %3 µs the camera takes at most %4 lines a second")
            .arg(fastest, 0, 'f', 1)
            .arg(fastest * 0.06, 0, 'f', 1)
            .arg(exposure)
            .arg(std::floor(TriggerMath::maxLineRate(exposure, readout))));
}
