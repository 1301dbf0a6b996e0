#include "LineTriggerWidget.h"

#include "CameraLines.h"
#include "DoubleSpinBox.h"
#include "PageFeatures.h"
#include "PlugInHostBaseInterface.h"
#include "SvgView.h"

#include <QButtonGroup>
#include <QPixmap>
#include <QSignalBlocker>
#include <QSizePolicy>

namespace {

const QString differentialSignalType = QStringLiteral("Differential (RS422)");
const QString singleEndedSignalType = QStringLiteral("Single-Ended (LVCMOS)");

bool contains(const QString& text, const QString& part)
{
    return text.indexOf(part, 0, Qt::CaseInsensitive) != -1;
}

void releaseSpaceWhenHidden(QWidget* widget)
{
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(false);
    widget->setSizePolicy(policy);
}

void showIfAvailable(FeatureAccess& access, const QString& name, QWidget* widget)
{
    if (widget->isVisible() && !access.isFeatureAvailable(name)) {
        widget->hide();
        releaseSpaceWhenHidden(widget);
    }
    // isVisible is false under a hidden group box too: show explicitly, so it appears with the box.
    if (!widget->isVisible() && access.isFeatureAvailable(name)) {
        widget->show();
        releaseSpaceWhenHidden(widget);
    }
}

} // namespace

// Outside the anonymous namespace: the macro declares the collection's global initializer.
static void initResources()
{
    // The page lives in a static library; referencing the collection keeps it linked in.
    Q_INIT_RESOURCE(LineTriggerResources);
}

LineTriggerWidget::LineTriggerWidget(const std::vector<std::shared_ptr<Tovrik::Feature>>& features,
                                     PlugInHostBaseInterface& host, QWidget* parent)
    : BasePluginWidget(features, host, parent), m_pluginHost(host), m_access(features)
{
    initResources();
    setupUi(this);
    for (const char* name : PageFeatures::observed)
        m_observedFeatures << QString::fromLatin1(name);
    initLineLabels();
    initWidget();
    initInputSignalCombo();
    // The input-signal mode is not offered.
    gb_externalInputSignal->hide();
    // Already checked by the form: no toggled signal, nothing written.
    rb_triggerModeinternal->setChecked(true);
}

LineTriggerWidget::~LineTriggerWidget()
{
    m_encoderDividerView.reset();
    m_exposureTimeView.reset();
    m_lineRateView.reset();
}

void LineTriggerWidget::handleChangedFeatures()
{
    if (m_changedFeatures.contains("ExposureTime") && m_exposureTimeView) {
        m_exposureTimeView->refresh();
        m_exposureTimeView->setDisabled(true);
    }
    if (m_changedFeatures.contains("AcquisitionLineRate") && m_lineRateView)
        m_lineRateView->refresh();
    if (m_changedFeatures.contains("EncoderSourceA")) {
        try {
            updateEncoderSourceA();
        } catch (const std::exception& exception) {
            report(QStringLiteral("Error in getting EncoderSourceA values."), exception);
        }
        showIfAvailable(m_access, QStringLiteral("EncoderSourceA"), cb_EncoderSourceA);
    }
    if (m_changedFeatures.contains("EncoderSourceB")) {
        try {
            updateEncoderSourceB();
        } catch (const std::exception& exception) {
            report(QStringLiteral("Error in getting EncoderSourceB values."), exception);
        }
        showIfAvailable(m_access, QStringLiteral("EncoderSourceB"), cb_EncoderSourceB);
    }
    if (m_changedFeatures.contains("EncoderDividerFloat") && m_encoderDividerView)
        m_encoderDividerView->refresh();
    if (m_changedFeatures.contains("LineInverter")) {
        updateEncoderDirection();
        showIfAvailable(m_access, QStringLiteral("LineInverter"), cb_EncoderDirection);
    }
    if (m_changedFeatures.contains("TriggerSelector") || m_changedFeatures.contains("TriggerMode"))
        activateModeContainer();
    if (m_changedFeatures.contains("MasterSlaveMode"))
        updateWidgetUsability();
}

void LineTriggerWidget::initLineLabels()
{
    for (int line = 0; line <= CameraLines::count; ++line) {
        const std::string name = CameraLines::name(line);
        m_lineLabels.insert(QString::fromStdString(name), QString::fromLatin1(CameraLines::label(name)));
    }
}

void LineTriggerWidget::initWidget()
{
    try {
        gb_LTUnavailable->hide();

        m_svgView = new SvgView(this);
        verticalLayout_8->addWidget(m_svgView);

        // The line rate takes the whole "Internal" group with it, not only its label.
        m_lineRateView =
            std::make_unique<DoubleSpinBox>(sb_LineRate, &m_access, QStringLiteral("AcquisitionLineRate"),
                                            std::vector<QWidget*>{gb_internalTrigger}, false, 1.0, 0);
        m_exposureTimeView =
            std::make_unique<DoubleSpinBox>(sb_ExposureTime, &m_access, QStringLiteral("ExposureTime"),
                                            std::vector<QWidget*>{label}, true, 1.0, 0);
        m_encoderDividerView = std::make_unique<DoubleSpinBox>(
            sb_EncoderDividerFlt, &m_access, QStringLiteral("EncoderDividerFloat"),
            std::vector<QWidget*>{label_13}, false, 1.0, 0);

        auto* modeGroup = new QButtonGroup(this);
        modeGroup->addButton(rb_triggerModeinternal, -1);
        modeGroup->addButton(rb_triggerModeEncoderSignal, -1);
        modeGroup->setExclusive(true);

        connect(rb_triggerModeinternal, &QRadioButton::toggled, this,
                &LineTriggerWidget::enableInternalTriggerMode, Qt::AutoConnection);
        connect(rb_triggerModeEncoderSignal, &QRadioButton::toggled, this,
                &LineTriggerWidget::enableEncoderTriggerMode, Qt::AutoConnection);
        connect(cb_EncoderSourceA, &QComboBox::currentTextChanged, this,
                &LineTriggerWidget::onEncoderSourceAChanged, Qt::AutoConnection);
        connect(cb_EncoderSourceB, &QComboBox::currentTextChanged, this,
                &LineTriggerWidget::onEncoderSourceBChanged, Qt::AutoConnection);
        connect(cb_EncoderSignalType, &QComboBox::currentTextChanged, this,
                &LineTriggerWidget::onEncoderSignalTypeChanged, Qt::AutoConnection);
        connect(cb_EncoderDirection, &QComboBox::currentTextChanged, this,
                &LineTriggerWidget::onEncoderDirectionChanged, Qt::AutoConnection);
        connect(cb_EncoderChannels, &QComboBox::currentTextChanged, this,
                &LineTriggerWidget::onEncoderChannelsChanged, Qt::AutoConnection);
    } catch (const std::exception& exception) {
        report(QStringLiteral("Error in initializing the \"Line Trigger\" plugin widget"), exception);
    }
}

void LineTriggerWidget::initInputSignalCombo()
{
    try {
        cb_lineInputSignal->clear();
        cb_lineInputSignal->addItems(m_access.getAvailableEnumEntries(QStringLiteral("TriggerSource")));
        for (int i = 0; i < cb_lineInputSignal->count(); ++i) {
            const QString text = cb_lineInputSignal->itemText(i);
            if (m_lineLabels.contains(text))
                cb_lineInputSignal->setItemText(i, m_lineLabels.value(text));
        }
    } catch (const std::exception&) {
        // The odd spelling is the text operators and support know.
        report(QStringLiteral("Error in acquiring the available line inputs and initializing the "
                              "External-Input-signal's \"Input singal\" combo-box"));
    }
}

void LineTriggerWidget::updateWidgetUsability()
{
    try {
        const QString mode = m_access.getValueAsString(QStringLiteral("MasterSlaveMode"));
        if (mode.contains(QStringLiteral("Slave"), Qt::CaseSensitive)) {
            gb_LTUnavailable->show();
            gb_internalTrigger->hide();
            gb_externalInputSignal->hide();
            gb_externalEncoderSignal->hide();
        } else {
            gb_LTUnavailable->hide();
            gb_internalTrigger->show();
            gb_externalEncoderSignal->show();
        }
    } catch (const std::exception& exception) {
        report(QStringLiteral(
                   " Error in updating the widget usability for change in \"MasterSlaveMode\" value. Error:"),
               exception);
    }
}

void LineTriggerWidget::enableInternalTriggerMode(bool checked)
{
    if (!checked)
        return;
    try {
        m_access.setValueAsString(QStringLiteral("TriggerSelector"), QStringLiteral("LineStart"));
        m_access.setValueAsString(QStringLiteral("TriggerMode"), QStringLiteral("Off"));
        internalModeContainer->setEnabled(true);
        externalModeEncoderContainer->setEnabled(false);
    } catch (const std::exception& exception) {
        report(QStringLiteral("Error in enabling internal line trigger mode"), exception);
    }
}

void LineTriggerWidget::enableEncoderTriggerMode(bool checked)
{
    if (!checked)
        return;
    try {
        m_access.setValueAsString(QStringLiteral("TriggerSelector"), QStringLiteral("LineStart"));
        m_access.setValueAsString(QStringLiteral("TriggerSource"), QStringLiteral("Encoder0"));
        m_access.setValueAsString(QStringLiteral("TriggerMode"), QStringLiteral("On"));
        externalModeEncoderContainer->setEnabled(true);
        internalModeContainer->setEnabled(false);
        initEncoderInputs();
        updateEncoderDiagram();
    } catch (const std::exception& exception) {
        report(QStringLiteral("Error in enabling external encoder trigger mode"), exception);
    }
}

void LineTriggerWidget::activateModeContainer()
{
    try {
        const QString selector = m_access.getValueAsString(QStringLiteral("TriggerSelector"));
        const QString source = m_access.getValueAsString(QStringLiteral("TriggerSource"));
        // TriggerMode is read for LineStart with the encoder as source; the camera's own
        // selection is put back afterwards.
        bool selectionChanged = false;
        if (selector != QLatin1String("LineStart") || source != QLatin1String("Encoder0")) {
            m_access.setValueAsString(QStringLiteral("TriggerSelector"), QStringLiteral("LineStart"));
            m_access.setValueAsString(QStringLiteral("TriggerSource"), QStringLiteral("Encoder0"));
            selectionChanged = true;
        }
        // Signals stay live: a switch runs the newly checked mode's whole write sequence here.
        if (m_access.getValueAsString(QStringLiteral("TriggerMode")) == QLatin1String("On"))
            rb_triggerModeEncoderSignal->setChecked(true);
        else
            rb_triggerModeinternal->setChecked(true);
        if (!m_diagramShown) {
            updateEncoderDiagram();
            m_diagramShown = true;
        }
        if (selectionChanged) {
            m_access.setValueAsString(QStringLiteral("TriggerSelector"), selector);
            m_access.setValueAsString(QStringLiteral("TriggerSource"), source);
        }
    } catch (const std::exception& exception) {
        report(QStringLiteral("Error in enabling and activating the right signal mode container"), exception);
    }
}

void LineTriggerWidget::updateEncoderDiagram()
{
    try {
        if (cb_EncoderChannels->count() == 0 || cb_EncoderSignalType->count() == 0 || !m_svgView)
            return;
        const QString selector = m_access.getValueAsString(QStringLiteral("EncoderSelector"));
        const QString sourceA = m_access.getValueAsString(QStringLiteral("EncoderSourceA"));
        const QString sourceB = m_access.getValueAsString(QStringLiteral("EncoderSourceB"));
        const QString signalType = cb_EncoderSignalType->currentText();

        QString path;
        if (selector == QLatin1String("Encoder0")) {
            if (sourceA == QLatin1String("Line1") && sourceB == QLatin1String("Line2") &&
                contains(signalType, "diff"))
                path = QStringLiteral(":/Linetrigger_2ch_differential.svg");
            else if (sourceA == QLatin1String("Line1") && sourceB == QLatin1String("Off") &&
                     contains(signalType, "diff"))
                path = QStringLiteral(":/Linetrigger_1ch_differential.svg");
            else if (sourceA == QLatin1String("Line3") && sourceB == QLatin1String("Line4") &&
                     contains(signalType, "single"))
                path = QStringLiteral(":/Linetrigger_2ch_single.svg");
            else if (sourceA == QLatin1String("Line3") && sourceB == QLatin1String("Off") &&
                     contains(signalType, "single"))
                path = QStringLiteral(":/Linetrigger_1ch_single.svg");
            else if (sourceA == QLatin1String("Line4") && sourceB == QLatin1String("Off") &&
                     contains(signalType, "single"))
                path = QStringLiteral(":/Linetrigger_1ch_single_4.svg");
        }

        if (path.isEmpty()) {
            m_svgView->clearSvg();
            svgViewHolder->hide();
            releaseSpaceWhenHidden(svgViewHolder);
            return;
        }
        svgViewHolder->show();
        releaseSpaceWhenHidden(svgViewHolder);
        m_svgView->loadSvg(path, m_diagramWidth);
        m_svgView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_svgView->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        auto size = m_diagramSizes.find(path);
        if (size == m_diagramSizes.end())
            size = m_diagramSizes.insert(
                path, QPixmap(path).scaledToWidth(m_diagramWidth, Qt::FastTransformation).size());
        m_svgView->setFixedSize(*size);
    } catch (const std::exception& exception) {
        report(QStringLiteral(
                   "Error in updating and displaying the respective image of selected encoder signal setup."),
               exception);
    }
}

void LineTriggerWidget::onEncoderChannelsChanged(const QString& text)
{
    updateEncoderSignalTypeList();
    const bool oneChannel = text == QLatin1String("1");
    const bool twoChannels = text == QLatin1String("2");
    if (!oneChannel && !twoChannels)
        return;
    runBlock(
        oneChannel
            ? QStringLiteral("Error in setting the Encoder channel to 1. Unable to set a Trigger Control "
                             "parameter.")
            : QStringLiteral("Error of parameter setting in trigger selector part by setting encoder "
                             "signal type = differential. "),
        [this] { writeEncoderTriggerControl(); });
    runBlock(
        QStringLiteral("Error of parameter setting in encoder selector part by setting encoder signal type = "
                       "differential. "),
        [&] {
            updateEncoderInputLists();
            m_access.setValueAsString(QStringLiteral("EncoderSelector"), QStringLiteral("Encoder0"));
            m_access.setValueAsString(QStringLiteral("EncoderSourceA"), QStringLiteral("Line1"));
            m_access.setValueAsString(QStringLiteral("EncoderSourceB"),
                                      twoChannels ? QStringLiteral("Line2") : QStringLiteral("Off"));
            m_access.setValueAsString(QStringLiteral("EncoderMode"), QStringLiteral("FourPhase"));
            m_access.setValueAsDouble(QStringLiteral("EncoderDividerFloat"), dividerValue());
        });
    runBlock(
        QStringLiteral("Error of parameter setting in line selector part by setting encoder signal type = "
                       "differential. "),
        [&] {
            m_access.setValueAsString(QStringLiteral("LineSelector"), QStringLiteral("Line1"));
            m_access.setValueAsString(QStringLiteral("LineMode"), QStringLiteral("Input"));
            m_access.setValueAsDouble(QStringLiteral("LineInverter"), directionValue());
            if (twoChannels) {
                // The direction is applied to channel A only.
                m_access.setValueAsString(QStringLiteral("LineSelector"), QStringLiteral("Line2"));
                m_access.setValueAsString(QStringLiteral("LineMode"), QStringLiteral("Input"));
                m_access.setValueAsDouble(QStringLiteral("LineInverter"), 0.0);
            }
            updateEncoderDiagram();
        });
}

void LineTriggerWidget::onEncoderSignalTypeChanged(const QString& text)
{
    try {
        updateEncoderInputLists();
        updateEncoderDiagram();
        if (cb_EncoderChannels->currentText() != QLatin1String("1"))
            return;
        const bool singleEnded = contains(text, QStringLiteral("Single"));
        if (!singleEnded && !contains(text, QStringLiteral("diff")))
            return;
        if (singleEnded)
            cb_EncoderSourceB->setEnabled(false);
        // The two blanks before "during" are part of the texts.
        runBlock(
            QStringLiteral("Configuration error of parameters (in trigger selector part)  during setting "
                           "encoder mode = single-ended"),
            [this] { writeEncoderTriggerControl(); });
        runBlock(
            QStringLiteral("Configuration error of parameters (in encoder selector part)  during setting "
                           "encoder mode = single-ended"),
            [&] {
                m_access.setValueAsString(QStringLiteral("EncoderSelector"), QStringLiteral("Encoder0"));
                m_access.setValueAsString(QStringLiteral("EncoderSourceA"),
                                          singleEnded ? lineName(cb_EncoderSourceA->currentText())
                                                      : QStringLiteral("Line1"));
                m_access.setValueAsString(QStringLiteral("EncoderSourceB"), QStringLiteral("Off"));
                m_access.setValueAsString(QStringLiteral("EncoderMode"), QStringLiteral("FourPhase"));
                m_access.setValueAsDouble(QStringLiteral("EncoderDividerFloat"), dividerValue());
            });
        runBlock(QStringLiteral(
                     "Configuration error of parameters (in line selector part)  during setting encoder "
                     "mode = single-ended"),
                 [&] {
                     m_access.setValueAsString(QStringLiteral("LineSelector"), QStringLiteral("Line1"));
                     m_access.setValueAsString(QStringLiteral("LineMode"), QStringLiteral("Input"));
                     m_access.setValueAsDouble(QStringLiteral("LineInverter"), directionValue());
                 });
    } catch (const std::exception&) {
        // Outside the blocks nothing is reported; the action just ends.
    }
}

void LineTriggerWidget::onEncoderDirectionChanged(const QString& text)
{
    runBlock(
        QStringLiteral("Feature: LineInvertor - Error in inverting the Encoder input signal Channel A. "),
        [&] {
            m_access.setValueAsString(QStringLiteral("LineSelector"),
                                      lineName(cb_EncoderSourceA->currentText()));
            m_access.setValueAsString(QStringLiteral("LineMode"), QStringLiteral("Input"));
            m_access.setValueAsDouble(QStringLiteral("LineInverter"),
                                      text == QLatin1String("Counter-Clockwise") ? 1.0 : 0.0);
        });
}

void LineTriggerWidget::updateEncoderDirection()
{
    const QSignalBlocker blocker(cb_EncoderDirection);
    try {
        // The value of whichever line the camera's LineSelector names.
        const double inverted = m_access.getValueAsDouble(QStringLiteral("LineInverter"));
        cb_EncoderDirection->setCurrentIndex(inverted == 0.0 ? 0 : 1);
    } catch (const std::exception&) {
    }
}

void LineTriggerWidget::updateEncoderSignalTypeList()
{
    const QSignalBlocker blocker(cb_EncoderSignalType);
    try {
        cb_EncoderSignalType->clear();
        const QString channels = cb_EncoderChannels->currentText();
        if (channels == QLatin1String("1")) {
            cb_EncoderSignalType->addItem(differentialSignalType);
            cb_EncoderSignalType->addItem(singleEndedSignalType);
        } else if (channels == QLatin1String("2")) {
            // Two channels are wired differentially only.
            cb_EncoderSignalType->addItem(differentialSignalType);
        }
    } catch (const std::exception& exception) {
        report(QStringLiteral("Error in updating the encoder signal type list in its combo-box."), exception);
    }
}

void LineTriggerWidget::updateEncoderChannelsAndSignalTypeLists()
{
    const QSignalBlocker blocker(cb_EncoderSignalType);
    try {
        if (cb_EncoderChannels->count() == 0) {
            // Left live: adding "1" to the empty box runs the one-channel set-up.
            cb_EncoderChannels->addItem(QStringLiteral("1"));
            cb_EncoderChannels->addItem(QStringLiteral("2"));
        }
        updateEncoderSignalTypeList();
        cb_EncoderSignalType->setCurrentText(differentialSignalType);
    } catch (const std::exception& exception) {
        report(
            QStringLiteral("Error in updating the encoder channels and signal type list in its combo-box."),
            exception);
    }
}

void LineTriggerWidget::updateEncoderInputLists()
{
    const QSignalBlocker blockerA(cb_EncoderSourceA);
    const QSignalBlocker blockerB(cb_EncoderSourceB);
    try {
        const QString channels = cb_EncoderChannels->currentText();
        const QString signalType = cb_EncoderSignalType->currentText();
        const auto append = [this](QComboBox* box, const QStringList& lines) {
            for (const QString& line : lines)
                box->addItem(m_lineLabels.value(line));
        };
        if (channels == QLatin1String("1")) {
            if (contains(signalType, QStringLiteral("Diff"))) {
                cb_EncoderSourceA->clear();
                append(cb_EncoderSourceA, {"Off", "Line1"});
            } else if (contains(signalType, QStringLiteral("Single"))) {
                cb_EncoderSourceA->clear();
                append(cb_EncoderSourceA, {"Off", "Line3", "Line4"});
            }
            cb_EncoderSourceB->clear();
            append(cb_EncoderSourceB, {"Off"});
            cb_EncoderSourceB->setEnabled(false);
        } else if (channels == QLatin1String("2")) {
            cb_EncoderSourceA->clear();
            cb_EncoderSourceB->clear();
            append(cb_EncoderSourceA, {"Off", "Line1"});
            append(cb_EncoderSourceB, {"Off", "Line2"});
            cb_EncoderSourceB->setEnabled(true);
        }
    } catch (const std::exception& exception) {
        report(QStringLiteral("Error in updating the encoder signal inputs list in their combo-boxes."),
               exception);
    }
}

void LineTriggerWidget::onEncoderSourceAChanged(const QString& text)
{
    try {
        const QString line = lineName(text);
        m_access.setValueAsString(QStringLiteral("EncoderSelector"), QStringLiteral("Encoder0"));
        m_access.setValueAsString(QStringLiteral("EncoderSourceA"), line);
        m_access.setValueAsString(QStringLiteral("EncoderMode"), QStringLiteral("FourPhase"));
        m_access.setValueAsDouble(QStringLiteral("EncoderDividerFloat"), dividerValue());
        m_access.setValueAsString(QStringLiteral("LineSelector"), line);
        m_access.setValueAsString(QStringLiteral("LineMode"), QStringLiteral("Input"));
        m_access.setValueAsDouble(
            QStringLiteral("LineInverter"),
            cb_EncoderDirection->currentText() == QLatin1String("Counter-Clockwise") ? 1.0 : 0.0);
        updateEncoderDiagram();
    } catch (const std::exception& exception) {
        // No blank between "in the" and "Feature": the text has always read so.
        report(QStringLiteral("Error in setting the selected line input ") + text +
                   QStringLiteral(" for source A in the") + QStringLiteral("Feature: EncoderSourceA"),
               exception);
    }
}

void LineTriggerWidget::onEncoderSourceBChanged(const QString& text)
{
    try {
        const QString line = lineName(text);
        m_access.setValueAsString(QStringLiteral("EncoderSelector"), QStringLiteral("Encoder0"));
        m_access.setValueAsString(QStringLiteral("EncoderSourceB"), line);
        if (line == QLatin1String("Line2")) {
            m_access.setValueAsString(QStringLiteral("EncoderMode"), QStringLiteral("FourPhase"));
            m_access.setValueAsDouble(QStringLiteral("EncoderDividerFloat"), dividerValue());
            m_access.setValueAsString(QStringLiteral("LineSelector"), QStringLiteral("Line2"));
            m_access.setValueAsString(QStringLiteral("LineMode"), QStringLiteral("Input"));
            m_access.setValueAsDouble(QStringLiteral("LineInverter"), 0.0);
        }
        updateEncoderDiagram();
    } catch (const std::exception& exception) {
        report(QStringLiteral("Error in setting the selected line input ") + text +
                   QStringLiteral(" for Source B in the Encoder Mode"),
               exception);
    }
}

void LineTriggerWidget::initEncoderInputs()
{
    const QSignalBlocker blocker(cb_EncoderSignalType);
    try {
        const QString a = m_access.getValueAsString(QStringLiteral("EncoderSourceA"));
        const QString b = m_access.getValueAsString(QStringLiteral("EncoderSourceB"));
        updateEncoderChannelsAndSignalTypeLists();
        // The channel box's signals stay live: a changed count runs its whole write sequence.
        if (contains(b, QStringLiteral("Off"))) {
            cb_EncoderChannels->setCurrentText(QStringLiteral("1"));
            if (contains(a, QStringLiteral("Line1")) || contains(a, QStringLiteral("Off")))
                cb_EncoderSignalType->setCurrentText(differentialSignalType);
            else if (contains(a, QStringLiteral("Line3")) || contains(a, QStringLiteral("Line4")))
                cb_EncoderSignalType->setCurrentText(singleEndedSignalType);
            cb_EncoderSourceB->setEnabled(false);
        } else if (contains(b, QStringLiteral("Line2"))) {
            if (contains(a, QStringLiteral("Line1"))) {
                cb_EncoderChannels->setCurrentText(QStringLiteral("2"));
                cb_EncoderSignalType->setCurrentText(differentialSignalType);
            } else if (contains(a, QStringLiteral("Line3"))) {
                report(QStringLiteral(
                    "Invalid Encoder input channel combination. Channel A is Line 3 and Channel B is "
                    "Line 2"));
            } else if (contains(a, QStringLiteral("Line4"))) {
                report(QStringLiteral(
                    "Invalid Encoder input channel combination. Channel A is Line 4 and Channel B is "
                    "Line 2"));
            }
        }
    } catch (const std::exception& exception) {
        report(
            QStringLiteral("Error in initializing the parameters Encoder signal and Encoder channel type."),
            exception);
    }
}

void LineTriggerWidget::updateEncoderSourceA()
{
    updateEncoderSource(cb_EncoderSourceA, QStringLiteral("EncoderSourceA"),
                        QStringLiteral("Error in getting EncoderSourceA values."), true);
}

void LineTriggerWidget::updateEncoderSourceB()
{
    // With one channel the list rebuild and initEncoderInputs own B's enabled state.
    updateEncoderSource(cb_EncoderSourceB, QStringLiteral("EncoderSourceB"),
                        QStringLiteral("Error in getting the \"EncoderSourceB\" value. Error: "),
                        cb_EncoderChannels->currentText() != QLatin1String("1"));
}

void LineTriggerWidget::updateEncoderSource(QComboBox* box, const QString& feature,
                                            const QString& entriesFailure, bool updateEnabled)
{
    const QSignalBlocker blocker(box);
    if (box->count() == 0) {
        // The camera's own list is taken only until a rebuild has fixed the lists.
        box->clear();
        QStringList entries;
        try {
            entries = m_access.getAvailableEnumEntries(feature);
        } catch (const std::exception& exception) {
            report(entriesFailure, exception);
            return;
        }
        box->addItems(entries);
        for (int i = 0; i < box->count(); ++i) {
            if (m_lineLabels.contains(box->itemText(i)))
                box->setItemText(i, m_lineLabels.value(box->itemText(i)));
        }
    }
    const QString value = m_access.getValueAsString(feature);
    box->setCurrentText(m_lineLabels.value(value, value));
    updateEncoderDiagram();
    if (updateEnabled)
        updateEnabledState(box, feature);
}

template <typename Block> void LineTriggerWidget::runBlock(const QString& failureMessage, Block block)
{
    try {
        block();
    } catch (const std::exception& exception) {
        report(failureMessage, exception);
    }
}

void LineTriggerWidget::writeEncoderTriggerControl()
{
    m_access.setValueAsString(QStringLiteral("TriggerSelector"), QStringLiteral("LineStart"));
    m_access.setValueAsString(QStringLiteral("TriggerMode"), QStringLiteral("On"));
    m_access.setValueAsString(QStringLiteral("TriggerSource"), QStringLiteral("Encoder0"));
    m_access.setValueAsString(QStringLiteral("TriggerActivation"), QStringLiteral("RisingEdge"));
    m_access.setValueAsDouble(QStringLiteral("TriggerDivider"), 1.0);
}

QString LineTriggerWidget::lineName(const QString& shownText) const
{
    for (auto it = m_lineLabels.cbegin(); it != m_lineLabels.cend(); ++it) {
        if (it.value() == shownText)
            return it.key();
    }
    return shownText;
}

double LineTriggerWidget::dividerValue() const
{
    // The camera keeps the divider in single precision.
    return static_cast<double>(static_cast<float>(sb_EncoderDividerFlt->value()));
}

double LineTriggerWidget::directionValue() const
{
    return contains(cb_EncoderDirection->currentText(), QStringLiteral("Counter")) ? 1.0 : 0.0;
}

void LineTriggerWidget::report(const QString& text)
{
    m_pluginHost.log(PlugInHostLogLevel::Error, text);
}

void LineTriggerWidget::report(const QString& text, const std::exception& exception)
{
    report(text + QString::fromUtf8(exception.what()));
}
