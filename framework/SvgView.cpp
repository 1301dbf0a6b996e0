#include "SvgView.h"

#include <QGraphicsScene>
#include <QGraphicsSvgItem>
#include <QPaintEvent>
#include <QPainter>
#include <QSvgRenderer>

#include <limits>

SvgView::SvgView(QWidget* parent) : QGraphicsView(parent)
{
    setScene(new QGraphicsScene(this));
    setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
}

SvgView::~SvgView() = default;

bool SvgView::loadSvg(const QString& fileName, const int& width)
{
    QSvgRenderer* renderer = m_renderers.value(fileName);
    if (!renderer) {
        renderer = new QSvgRenderer(fileName, this);
        if (!renderer->isValid()) {
            delete renderer;
            return false;
        }
        m_renderers.insert(fileName, renderer);
    }
    auto* item = new QGraphicsSvgItem;
    item->setSharedRenderer(renderer);
    // Qt 5.15 ignores HighQualityAntialiasing; the hint stays for hosts on older Qt.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    setRenderHints(QPainter::SmoothPixmapTransform | QPainter::HighQualityAntialiasing);
    QT_WARNING_POP
    scene()->clear();
    resetTransform();

    m_svgItem = item;
    m_fileName = fileName;
    m_svgItem->setCacheMode(QGraphicsItem::NoCache, QSize());
    m_svgItem->setZValue(0);
    scene()->addItem(m_svgItem);

    // QPolygon's own bounding rectangle counts end pixels inclusively (201 x 101 for 200 x 100);
    // the floating-point one measures the extent the drawing really covers.
    const QSize natural =
        QPolygonF(mapFromScene(m_svgItem->sceneBoundingRect())).boundingRect().size().toSize();
    const QSize target = natural.scaled(width, std::numeric_limits<int>::max(), Qt::KeepAspectRatio);
    const double heightRatio = double(target.height()) / natural.height();
    const double widthRatio = double(target.width()) / natural.width();
    const double s = heightRatio > widthRatio ? widthRatio : heightRatio;
    m_svgItem->setTransform(QTransform::fromScale(s, s), true);
    return true;
}

void SvgView::clearSvg()
{
    scene()->clear();
    m_svgItem = nullptr;
    m_fileName.clear();
    resetTransform();
}

void SvgView::paintEvent(QPaintEvent* event)
{
    if (isEnabled()) {
        QGraphicsView::paintEvent(event);
        return;
    }
    if (m_disabledImage.size() != viewport()->size())
        m_disabledImage = QImage(viewport()->size(), QImage::Format_Grayscale8);
    // Pixels the rendering leaves uncovered would keep stale contents otherwise.
    m_disabledImage.fill(palette().color(QPalette::Base));
    QPainter imagePainter(&m_disabledImage);
    render(&imagePainter, QRectF(), QRect(), Qt::KeepAspectRatio);
    imagePainter.end();
    QPainter painter(viewport());
    painter.drawImage(0, 0, m_disabledImage);
}
