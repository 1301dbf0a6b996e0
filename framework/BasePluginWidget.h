#pragma once

#include <QMutex>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <vector>

class FeatureAccess;
class PlugInHostBaseInterface;
namespace Tovrik {
class Feature;
class FeatureObserverInterface;
} // namespace Tovrik

// Base of a feature-driven plug-in page: observes the features the page names while it is
// visible and hands the names that changed to handleChangedFeatures, once on show and then in
// one batch per second.
class BasePluginWidget : public QWidget
{
    Q_OBJECT

public:
    BasePluginWidget(const std::vector<std::shared_ptr<Tovrik::Feature>>& features,
                     PlugInHostBaseInterface& host, QWidget* parent);
    ~BasePluginWidget() override;

    // False when the camera has none of the observed features, so the page is not worth offering.
    bool hasObservedFeature() const;
    // The name by value, as pages have always called it.
    void updateEnabledState(QWidget* widget,
                            QString featureName); // NOLINT(performance-unnecessary-value-param)

signals:
    void resetFPS();

protected slots:
    void updateTimer();

protected:
    // Runs on the GUI thread with m_mutex held; m_changedFeatures names what to refresh.
    virtual void handleChangedFeatures() = 0;

    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

    void runHandleChangedFeatures();
    void registerObservers(bool markAllChanged);
    void unregisterObservers();

    std::unique_ptr<FeatureAccess> m_featureAccess;
    QStringList m_changedFeatures;
    QStringList m_observedFeatures;
    std::vector<std::shared_ptr<Tovrik::Feature>> m_features;
    QTimer m_updateTimer;
    // Guards m_changedFeatures against OnFeatureChanged; held around each handleChangedFeatures.
    QMutex m_mutex;
    std::shared_ptr<Tovrik::FeatureObserverInterface> m_observer;
    PlugInHostBaseInterface& m_host;

private slots:
    void OnFeatureChanged(const QString& name);

private:
    template <typename Action>
    void forEachObservedFeature(const QString& emptyListMessage, const QString& unnamedMessage,
                                Action action);
};
