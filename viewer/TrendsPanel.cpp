#include "TrendsPanel.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QGraphicsScene>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QSplitter>
#include <QVBoxLayout>
#include <QtCharts/QAreaSeries>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>

#include <algorithm>
#include <functional>
#include <memory>

using namespace QtCharts;

namespace {

QChart* newChart(const QString& title)
{
    auto* chart = new QChart;
    chart->setTitle(title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->setAnimationOptions(QChart::NoAnimation);
    return chart;
}

// Time along the bottom, the series' values up the side from zero (or below it, for a belt that
// runs backwards).
void addTimeAxes(QChart* chart, const std::vector<TrendRecorder::Point>& points, double low, double high,
                 const QString& unit)
{
    auto* time = new QDateTimeAxis;
    time->setFormat(QStringLiteral("HH:mm:ss"));
    time->setTickCount(5);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 first = points.empty() ? now - 60000 : qint64(points.front().endMs) - 1000;
    const qint64 last = points.empty() ? now : std::max<qint64>(points.back().endMs, first + 10000);
    time->setRange(QDateTime::fromMSecsSinceEpoch(first), QDateTime::fromMSecsSinceEpoch(last));
    auto* values = new QValueAxis;
    values->setTitleText(unit);
    values->setLabelFormat(QStringLiteral("%.6g"));
    // Room above the highest value; a flat zero still gets a scale.
    const double top = high > 0.0 ? high * 1.15 : 1.0;
    const double bottom = low < 0.0 ? low * 1.15 : 0.0;
    values->setRange(bottom, top);
    values->applyNiceNumbers();
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(values, Qt::AlignLeft);
    for (QAbstractSeries* series : chart->series()) {
        series->attachAxis(time);
        series->attachAxis(values);
    }
}

// A named series of the trends' points; a point whose value is unknown is left out.
struct Series
{
    QString name;
    std::function<std::optional<double>(const TrendRecorder::Point&)> value;
};

QLineSeries* lineOf(const Series& wanted, const std::vector<TrendRecorder::Point>& points, double& low,
                    double& high)
{
    auto* line = new QLineSeries;
    line->setName(wanted.name);
    QVector<QPointF> xy;
    xy.reserve(static_cast<int>(points.size()));
    for (const TrendRecorder::Point& point : points) {
        if (const std::optional<double> y = wanted.value(point)) {
            xy.append(QPointF(static_cast<qreal>(point.endMs), *y));
            low = std::min(low, *y);
            high = std::max(high, *y);
        }
    }
    line->replace(xy);
    return line;
}

// Two series a second against the time of day.
QChart* pairChart(const QString& title, const std::vector<TrendRecorder::Point>& points, const Series& first,
                  const Series& second)
{
    QChart* chart = newChart(title);
    double low = 0.0;
    double high = 0.0;
    chart->addSeries(lineOf(first, points, low, high));
    chart->addSeries(lineOf(second, points, low, high));
    addTimeAxes(chart, points, low, high, QCoreApplication::translate("TrendsPanel", "/s"));
    return chart;
}

} // namespace

TrendsPanel::TrendsPanel(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    const auto view = [splitter](const QString& name) {
        auto* chartView = new QChartView(splitter);
        chartView->setObjectName(name);
        chartView->setRenderHint(QPainter::Antialiasing);
        chartView->setMinimumHeight(140);
        return chartView;
    };
    m_rates = view(QStringLiteral("ratesChart"));
    m_trouble = view(QStringLiteral("troubleChart"));
    m_intervals = view(QStringLiteral("intervalsChart"));
    layout->addWidget(splitter, 1);
    m_words = new QLabel(this);
    m_words->setObjectName(QStringLiteral("intervalWords"));
    m_words->setWordWrap(true);
    m_words->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_words->setStyleSheet(QStringLiteral("font-weight: bold; padding: 4px;"));
    // Two lines kept for it: a gap's note does not move the charts.
    m_words->setMinimumHeight(2 * fontMetrics().lineSpacing() + 8);
    layout->addWidget(m_words);
    showTrends({}, std::nullopt, false);
}

void TrendsPanel::showTrends(const std::vector<TrendRecorder::Point>& points,
                             const std::optional<LineTimes::Summary>& intervals, bool untimed)
{
    // The views own their charts: a new one replaces the old.
    const auto replace = [](QChartView* view, QChart* chart) {
        QChart* old = view->chart();
        view->setChart(chart);
        delete old;
    };
    replace(m_rates, ratesChart(points));
    replace(m_trouble, troubleChart(points));
    replace(m_intervals, intervalsChart(intervals));
    m_words->setText(intervalWords(intervals, untimed));
}

QString TrendsPanel::intervalWords() const
{
    return m_words->text();
}

QChart* TrendsPanel::ratesChart(const std::vector<TrendRecorder::Point>& points)
{
    return pairChart(tr("Lines and encoder counts a second"), points,
                     {tr("lines/s"),
                      [](const TrendRecorder::Point& p) {
                          return std::optional<double>(p.linesPerSecond);
                      }},
                     {tr("encoder counts/s"), [](const TrendRecorder::Point& p) {
                          return p.countsPerSecond;
                      }});
}

QChart* TrendsPanel::troubleChart(const std::vector<TrendRecorder::Point>& points)
{
    return pairChart(tr("Missed triggers and dropped frames a second"), points,
                     {tr("missed triggers/s"),
                      [](const TrendRecorder::Point& p) {
                          return std::optional<double>(p.missedPerSecond);
                      }},
                     {tr("dropped frames/s"), [](const TrendRecorder::Point& p) {
                          return std::optional<double>(p.droppedPerSecond);
                      }});
}

QChart* TrendsPanel::intervalsChart(const std::optional<LineTimes::Summary>& intervals)
{
    QChart* chart = newChart(tr("Intervals between lines"));
    chart->legend()->hide();
    auto* upper = new QLineSeries;
    auto* axisX = new QValueAxis;
    axisX->setTitleText(tr("us"));
    auto* axisY = new QValueAxis;
    axisY->setTitleText(tr("lines"));
    axisY->setLabelFormat(QStringLiteral("%.0f"));
    int most = 1;
    if (intervals && !intervals->bins.empty()) {
        // Each bin a step, in microseconds.
        const double width =
            (intervals->highNs - intervals->lowNs) / static_cast<double>(intervals->bins.size());
        for (size_t i = 0; i < intervals->bins.size(); ++i) {
            const double from = (intervals->lowNs + width * static_cast<double>(i)) / 1e3;
            const int count = intervals->bins[i];
            upper->append(from, count);
            upper->append(from + width / 1e3, count);
            most = std::max(most, count);
        }
        axisX->setRange(intervals->lowNs / 1e3, intervals->highNs / 1e3);
    } else {
        axisX->setRange(0.0, 1.0);
    }
    auto* area = new QAreaSeries(upper);
    // The area draws the line but does not own it.
    upper->setParent(area);
    area->setName(tr("lines"));
    chart->addSeries(area);
    axisY->setRange(0.0, most * 1.1);
    axisY->applyNiceNumbers();
    chart->addAxis(axisX, Qt::AlignBottom);
    chart->addAxis(axisY, Qt::AlignLeft);
    area->attachAxis(axisX);
    area->attachAxis(axisY);
    return chart;
}

QImage TrendsPanel::render(QChart* chart, const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    // The scene owns the chart and takes it along.
    QGraphicsScene scene;
    scene.addItem(chart);
    chart->setGeometry(QRectF(QPointF(0, 0), size));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, QRectF(image.rect()), QRectF(QPointF(0, 0), size));
    return image;
}

QString TrendsPanel::intervalWords(const std::optional<LineTimes::Summary>& intervals, bool untimed)
{
    if (intervals)
        return QString::fromStdString(intervals->words());
    if (untimed)
        return tr("This camera gives no time for each line: the intervals between lines are not known.");
    return tr("Not enough lines yet to tell how evenly they come.");
}
