#include "BenchPanel.h"

#include "SimAcquisition.h"
#include "TriggerMath.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

namespace {

QComboBox* lineBox(QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->addItems({QStringLiteral("none"), QStringLiteral("Line1"), QStringLiteral("Line2"),
                   QStringLiteral("Line3"), QStringLiteral("Line4")});
    return box;
}

} // namespace

BenchPanel::BenchPanel(SimAcquisition& acquisition, QWidget* parent)
    : QWidget(parent), m_acquisition(acquisition), m_timer(this)
{
    setObjectName(QStringLiteral("bench"));
    auto* form = new QFormLayout(this);
    form->setRowWrapPolicy(QFormLayout::WrapLongRows);
    createSpeedRows(form);
    m_pixelSize = new QDoubleSpinBox(this);
    m_pixelSize->setRange(0.001, 10.0);
    m_pixelSize->setDecimals(3);
    m_pixelSize->setSuffix(tr(" mm"));
    form->addRow(tr("Pixel size on the belt:"), m_pixelSize);
    m_pulses = new QSpinBox(this);
    m_pulses->setRange(1, 1000000);
    form->addRow(tr("Encoder pulses per revolution:"), m_pulses);
    m_wheel = new QDoubleSpinBox(this);
    m_wheel->setRange(1.0, 10000.0);
    m_wheel->setDecimals(2);
    m_wheel->setSuffix(tr(" mm"));
    form->addRow(tr("Encoder wheel circumference:"), m_wheel);
    m_output = new QComboBox(this);
    m_output->addItems({tr("differential (RS422)"), tr("single-ended (LVCMOS)")});
    form->addRow(tr("Encoder output:"), m_output);
    m_output->setObjectName(QStringLiteral("encoderOutput"));
    m_lineA = lineBox(this);
    m_lineA->setObjectName(QStringLiteral("channelA"));
    m_lineB = lineBox(this);
    m_lineB->setObjectName(QStringLiteral("channelB"));
    form->addRow(tr("Channel A wired to:"), m_lineA);
    form->addRow(tr("Channel B wired to:"), m_lineB);
    m_problem = new QLabel(this);
    m_problem->setWordWrap(true);
    m_problem->setStyleSheet(QStringLiteral("color: #b00020;"));
    form->addRow(m_problem);

    showBench();
    connect(m_speed, qOverload<double>(&QDoubleSpinBox::valueChanged), this, [this] {
        showMetres();
        apply();
    });
    connect(m_pixelSize, qOverload<double>(&QDoubleSpinBox::valueChanged), this, [this] { apply(); });
    connect(m_ripple, qOverload<double>(&QDoubleSpinBox::valueChanged), this, [this] { apply(); });
    connect(m_pulses, qOverload<int>(&QSpinBox::valueChanged), this, [this] { apply(); });
    connect(m_wheel, qOverload<double>(&QDoubleSpinBox::valueChanged), this, [this] { apply(); });
    for (QComboBox* box : {m_output, m_lineA, m_lineB})
        connect(box, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { apply(); });
    connect(&m_timer, &QTimer::timeout, this, [this] {
        // Not while the operator is typing into a box.
        const QWidget* focused = QApplication::focusWidget();
        if (!focused || !isAncestorOf(focused))
            showBench();
    });
    m_timer.start(500);
}

void BenchPanel::setBeltSpeed(double mmPerSecond)
{
    m_speed->setValue(mmPerSecond);
}

void BenchPanel::showBench()
{
    const SimBench bench = m_acquisition.bench();
    const QSignalBlocker blockers[] = {QSignalBlocker(m_speed),     QSignalBlocker(m_ripple),
                                       QSignalBlocker(m_pixelSize), QSignalBlocker(m_pulses),
                                       QSignalBlocker(m_wheel),     QSignalBlocker(m_output),
                                       QSignalBlocker(m_lineA),     QSignalBlocker(m_lineB)};
    m_speed->setValue(bench.beltSpeed);
    showMetres();
    m_ripple->setValue(bench.speedRipple * 100.0);
    m_pixelSize->setValue(bench.pixelSize);
    m_pulses->setValue(static_cast<int>(bench.pulsesPerRevolution));
    m_wheel->setValue(bench.wheelCircumference);
    m_output->setCurrentIndex(bench.output == SimEncoderOutput::Differential ? 0 : 1);
    m_lineA->setCurrentIndex(bench.lineA);
    m_lineB->setCurrentIndex(bench.lineB);
}

// The belt's speed, in mm/s and m/min, its stop and reverse, and its ripple.
void BenchPanel::createSpeedRows(QFormLayout* form)
{
    m_speed = new QDoubleSpinBox(this);
    m_speed->setObjectName(QStringLiteral("beltSpeed"));
    m_speed->setRange(-100000.0, 100000.0);
    m_speed->setDecimals(1);
    m_speed->setSuffix(tr(" mm/s"));
    m_speed->setKeyboardTracking(false);
    auto* stop = new QPushButton(tr("Stop"), this);
    auto* reverse = new QPushButton(tr("Reverse"), this);
    auto* speedRow = new QHBoxLayout;
    speedRow->addWidget(m_speed, 1);
    m_metres = new QLabel(this);
    m_metres->setObjectName(QStringLiteral("beltSpeedMetres"));
    speedRow->addWidget(m_metres);
    form->addRow(tr("Belt speed:"), speedRow);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(stop);
    buttons->addWidget(reverse);
    buttons->addStretch();
    form->addRow(QString(), buttons);
    connect(stop, &QPushButton::clicked, this, [this] { setBeltSpeed(0.0); });
    connect(reverse, &QPushButton::clicked, this, [this] { setBeltSpeed(-m_speed->value()); });
    m_ripple = new QDoubleSpinBox(this);
    m_ripple->setObjectName(QStringLiteral("speedRipple"));
    m_ripple->setRange(0.0, 50.0);
    m_ripple->setDecimals(1);
    m_ripple->setPrefix(tr("+- "));
    m_ripple->setSuffix(tr(" %, once a second"));
    m_ripple->setKeyboardTracking(false);
    form->addRow(tr("Speed ripple:"), m_ripple);
}

void BenchPanel::showMetres()
{
    m_metres->setText(tr("%1 m/min").arg(TriggerMath::metresPerMinute(m_speed->value()), 0, 'f', 2));
}

void BenchPanel::apply()
{
    SimBench bench = m_acquisition.bench();
    bench.beltSpeed = m_speed->value();
    bench.speedRipple = m_ripple->value() / 100.0;
    bench.pixelSize = m_pixelSize->value();
    bench.pulsesPerRevolution = m_pulses->value();
    bench.wheelCircumference = m_wheel->value();
    bench.output =
        m_output->currentIndex() == 0 ? SimEncoderOutput::Differential : SimEncoderOutput::SingleEnded;
    bench.lineA = m_lineA->currentIndex();
    bench.lineB = m_lineB->currentIndex();
    std::string problem;
    const bool applied = m_acquisition.setBench(bench, &problem);
    m_problem->setText(applied ? QString() : QString::fromStdString(problem));
}
