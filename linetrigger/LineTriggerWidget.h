#pragma once

#include "BasePluginWidget.h"
#include "FeatureAccess.h"
#include "ui_LineTriggerWidget.h"

#include <QMap>
#include <QString>

#include <exception>
#include <memory>
#include <vector>

class DoubleSpinBox;
class PlugInHostBaseInterface;
class SvgView;

// The "Line Trigger" page: chooses between internal and encoder line triggering and writes the
// camera's trigger, encoder and line features for each choice in fixed order. Runs on the GUI
// thread only; failures go to the host's log, never to a dialog.
class LineTriggerWidget : public BasePluginWidget, public Ui::LineTriggerWidget
{
public:
    LineTriggerWidget(const std::vector<std::shared_ptr<Tovrik::Feature>>& features,
                      PlugInHostBaseInterface& host, QWidget* parent);
    ~LineTriggerWidget() override;

protected:
    void handleChangedFeatures() override;

private:
    void initLineLabels();
    void initWidget();
    void initInputSignalCombo();
    void updateWidgetUsability();

    // Trigger mode.
    void enableInternalTriggerMode(bool checked);
    void enableEncoderTriggerMode(bool checked);
    void activateModeContainer();

    // Wiring diagram.
    void updateEncoderDiagram();

    // Encoder channels, signal type and direction.
    void onEncoderChannelsChanged(const QString& text);
    void onEncoderSignalTypeChanged(const QString& text);
    void onEncoderDirectionChanged(const QString& text);
    void updateEncoderDirection();
    void updateEncoderSignalTypeList();
    void updateEncoderChannelsAndSignalTypeLists();
    void updateEncoderInputLists();

    // Encoder input lines.
    void onEncoderSourceAChanged(const QString& text);
    void onEncoderSourceBChanged(const QString& text);
    void initEncoderInputs();
    void updateEncoderSourceA();
    void updateEncoderSourceB();
    void updateEncoderSource(QComboBox* box, const QString& feature, const QString& entriesFailure,
                             bool updateEnabled);

    // Shared by the encoder actions.
    template <typename Block> void runBlock(const QString& failureMessage, Block block);
    void writeEncoderTriggerControl();
    QString lineName(const QString& shownText) const;
    double dividerValue() const;
    double directionValue() const;
    // Every failure of page code reaches the host at level 0; exception texts follow directly.
    void report(const QString& text);
    void report(const QString& text, const std::exception& exception);

    PlugInHostBaseInterface& m_pluginHost;
    FeatureAccess m_access;
    QMap<QString, QString> m_lineLabels;
    std::unique_ptr<DoubleSpinBox> m_lineRateView;
    std::unique_ptr<DoubleSpinBox> m_exposureTimeView;
    std::unique_ptr<DoubleSpinBox> m_encoderDividerView;
    int m_diagramWidth = 650;
    bool m_diagramShown = false;
    SvgView* m_svgView = nullptr;
    // Fixed view size per drawing, decoded once per page.
    QMap<QString, QSize> m_diagramSizes;
};
