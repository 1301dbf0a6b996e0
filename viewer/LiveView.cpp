#include "LiveView.h"

#include <QPainter>

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
    m_image = QImage(m_picture.pixels.data(), m_picture.width, m_picture.rows, m_picture.width,
                     QImage::Format_Grayscale8);
    update();
}

void LiveView::paintEvent(QPaintEvent* /*event*/)
{
    ++m_repaints;
    QPainter painter(this);
    painter.fillRect(rect(), QColor(32, 32, 32));
    if (m_image.isNull())
        return;
    // One scale both ways: the picture's pixels are square on the belt, and stay square here.
    const double scale = std::min(double(width()) / m_image.width(), double(height()) / m_image.height());
    const QSizeF size(m_image.width() * scale, m_image.height() * scale);
    const QRectF target(QPointF((width() - size.width()) / 2.0, (height() - size.height()) / 2.0), size);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, m_image);
}
