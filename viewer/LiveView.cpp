#include "LiveView.h"

#include <QPainter>
#include <QResizeEvent>

LiveView::LiveView(Waterfall& waterfall, QWidget* parent)
    : QWidget(parent), m_waterfall(waterfall), m_timer(this)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(320, 200);
    connect(&m_timer, &QTimer::timeout, this, &LiveView::refresh);
    m_timer.start(16);
}

void LiveView::refresh()
{
    if (!m_waterfall.copy(&m_picture))
        return;
    m_image = QImage(reinterpret_cast<const uchar*>(m_picture.pixels.data()), m_picture.width, m_picture.rows,
                     m_picture.width * 4, QImage::Format_RGB32);
    update();
}

void LiveView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // One drawn pixel per screen pixel: the waterfall is made to the view's size.
    m_waterfall.setView(width(), height());
}

void LiveView::paintEvent(QPaintEvent* /*event*/)
{
    ++m_repaints;
    QPainter painter(this);
    painter.fillRect(rect(), QColor(32, 32, 32));
    if (m_image.isNull())
        return;
    // Unscaled, centred across: its pixels are square on the belt and stay square here.
    painter.drawImage(QPoint((width() - m_image.width()) / 2, 0), m_image);
}
