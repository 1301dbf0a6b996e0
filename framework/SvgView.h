#pragma once

#include <QGraphicsView>
#include <QHash>
#include <QImage>

class QGraphicsSvgItem;
class QSvgRenderer;

// Shows one SVG drawing scaled uniformly to a given width; paints it in grey while disabled.
class SvgView : public QGraphicsView
{
    Q_OBJECT

public:
    explicit SvgView(QWidget* parent = nullptr);
    ~SvgView() override;

    bool loadSvg(const QString& fileName, const int& width);
    void clearSvg();
    // The file shown, empty when nothing is.
    QString fileName() const { return m_fileName; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QGraphicsSvgItem* m_svgItem = nullptr;
    QImage m_disabledImage;
    QString m_fileName;
    // Each drawing is parsed once per view; its items share the renderer.
    QHash<QString, QSvgRenderer*> m_renderers;
};
