#pragma once

#include "Waterfall.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

// The waterfall of the newest lines, oldest at the top, made to the view's size: the same scale
// across and along, so square pixels look square. Redrawn at most about 60 times a second,
// whatever the line rate.
class LiveView : public QWidget
{
    Q_OBJECT

public:
    explicit LiveView(Waterfall& waterfall, QWidget* parent = nullptr);

    // The picture as last drawn, and how many camera pixels each of its pixels stands for.
    const QImage& image() const { return m_image; }
    int factor() const { return m_picture.factor; }
    uint64_t repaints() const { return m_repaints; }

    QSize sizeHint() const override { return {640, 480}; }
    // Takes the waterfall's newest picture, when there is one, for the next paint.
    void refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    Waterfall& m_waterfall;
    Waterfall::Picture m_picture;
    QImage m_image;
    QTimer m_timer;
    uint64_t m_repaints = 0;
};
