#pragma once

#include "LineTimes.h"
#include "TrendRecorder.h"

#include <QWidget>

#include <optional>
#include <vector>

class QLabel;
class QImage;
class QSize;

namespace QtCharts {
class QChart;
class QChartView;
} // namespace QtCharts

// The session's trends (lines and encoder counts a second; missed triggers and dropped frames a
// second) and the histogram of the intervals between lines, with its spread in words. The charts
// are built by the same functions for the panel and for the commissioning report.
class TrendsPanel : public QWidget
{
    Q_OBJECT

public:
    explicit TrendsPanel(QWidget* parent = nullptr);

    void showTrends(const std::vector<TrendRecorder::Point>& points,
                    const std::optional<LineTimes::Summary>& intervals, bool untimed);
    QString intervalWords() const;

    static QtCharts::QChart* ratesChart(const std::vector<TrendRecorder::Point>& points);
    static QtCharts::QChart* troubleChart(const std::vector<TrendRecorder::Point>& points);
    static QtCharts::QChart* intervalsChart(const std::optional<LineTimes::Summary>& intervals);
    // Takes the chart: drawn alone into an image of that size.
    static QImage render(QtCharts::QChart* chart, const QSize& size);
    // What the histogram says, or why it says nothing.
    static QString intervalWords(const std::optional<LineTimes::Summary>& intervals, bool untimed);

private:
    QtCharts::QChartView* m_rates = nullptr;
    QtCharts::QChartView* m_trouble = nullptr;
    QtCharts::QChartView* m_intervals = nullptr;
    QLabel* m_words = nullptr;
};
