#include "CommissioningReport.h"

#include "TrendsPanel.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>

#include <memory>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("CommissioningReport", text);
}

// The text's room on the page, in the document's pixels: A4 within margins of 15 mm.
constexpr int pageWidth = 700;
constexpr int pageHeight = pageWidth * 267 / 180;

QString pictureSection(QTextDocument& document, const LineHistory::Image& picture)
{
    if (picture.lines == 0 || picture.width == 0)
        return QStringLiteral("<p>%1</p>").arg(tr("No lines were kept: nothing to show."));
    QImage image(picture.pixels.data(), picture.width, picture.lines, picture.width,
                 QImage::Format_Grayscale8);
    // As the saved image has them, oldest line at the top; the page's width and height at most,
    // each pixel and line as square as on the camera.
    const QSize box(pageWidth, pageHeight - 120);
    const QSize size = image.size().scaled(box, Qt::KeepAspectRatio);
    // Twice the resolution it is shown at: the paper's finer than the screen.
    document.addResource(QTextDocument::ImageResource, QUrl(QStringLiteral("lines.png")),
                         image.scaled(size * 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return QStringLiteral("<p><img src='lines.png' width='%1' height='%2'></p><p><small>%3</small></p>")
        .arg(size.width())
        .arg(size.height())
        .arg(tr("The newest %1 lines of %2 pixels, the oldest at the top: a square pixel of the picture "
                "for each pixel and line.")
                 .arg(picture.lines)
                 .arg(picture.width));
}

QString chart(QTextDocument& document, const QString& name, QtCharts::QChart* chart)
{
    document.addResource(QTextDocument::ImageResource, QUrl(name),
                         TrendsPanel::render(chart, QSize(900, 380)));
    return QStringLiteral("<p><img src='%1' width='%2'></p>").arg(name).arg(pageWidth);
}

QString settingsSection(const std::optional<SettingsSnapshot>& settings)
{
    if (!settings)
        return QStringLiteral("<p>%1</p>").arg(tr("The camera's settings could not be read."));
    QString rows;
    for (const SettingsSnapshot::Feature& feature : settings->features()) {
        for (const auto& [entry, value] : feature.values)
            rows += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td></tr>")
                        .arg(feature.name.toHtmlEscaped(),
                             entry.isEmpty()
                                 ? QString()
                                 : QStringLiteral("%1=%2").arg(feature.selector, entry).toHtmlEscaped(),
                             SettingsSnapshot::text(value).toHtmlEscaped());
    }
    return QStringLiteral("<table border='1' cellspacing='0' cellpadding='2' width='100%'>"
                          "<tr><th align='left'>%1</th><th align='left'>%2</th><th align='left'>%3</th></tr>"
                          "%4</table>")
        .arg(tr("Feature"), tr("Selected by"), tr("Value"), rows);
}

} // namespace

std::unique_ptr<QTextDocument> CommissioningReport::document(const Contents& c)
{
    auto document = std::make_unique<QTextDocument>();
    document->setPageSize(QSizeF(pageWidth, pageHeight));
    QString facts;
    for (const auto& [label, value] : c.facts)
        facts += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>")
                     .arg(label.toHtmlEscaped(), value.toHtmlEscaped());
    QString html =
        QStringLiteral("<h1>%1</h1><p>%2<br>%3</p>")
            .arg(tr("Line trigger commissioning report"), tr("Camera: %1").arg(c.camera.toHtmlEscaped()),
                 tr("Time: %1").arg(c.time.toString(Qt::ISODate)));
    html += QStringLiteral("<h2>%1</h2><p><b>%2</b></p>").arg(tr("Verdict"), c.verdict.toHtmlEscaped());
    html += QStringLiteral("<table cellspacing='0' cellpadding='2'>%1</table>").arg(facts);
    html += QStringLiteral("<h2 style='page-break-before: always'>%1</h2>").arg(tr("Picture")) +
            pictureSection(*document, c.picture);
    html += QStringLiteral("<h2 style='page-break-before: always'>%1</h2>").arg(tr("Trends of the session"));
    html += chart(*document, QStringLiteral("rates.png"), TrendsPanel::ratesChart(c.trends));
    html += chart(*document, QStringLiteral("trouble.png"), TrendsPanel::troubleChart(c.trends));
    html += QStringLiteral("<h2>%1</h2>").arg(tr("Intervals between lines"));
    html += chart(*document, QStringLiteral("intervals.png"), TrendsPanel::intervalsChart(c.intervals));
    html += QStringLiteral("<p><b>%1</b></p>")
                .arg(TrendsPanel::intervalWords(c.intervals, c.untimed).toHtmlEscaped());
    html += QStringLiteral("<h2 style='page-break-before: always'>%1</h2>").arg(tr("Settings of the camera"));
    html += settingsSection(c.settings);
    document->setHtml(html);
    return document;
}

QString CommissioningReport::write(const Contents& contents, const QString& path)
{
    if (QFileInfo(path).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0)
        return tr("a report is a PDF file: its name ends in .pdf");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    const std::unique_ptr<QTextDocument> document = CommissioningReport::document(contents);
    QPdfWriter writer(&file);
    writer.setTitle(tr("Line trigger commissioning report: %1").arg(contents.camera));
    writer.setCreator(QStringLiteral("linetrigger-viewer"));
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setResolution(150);
    document->print(&writer);
    if (!file.commit())
        return file.errorString();
    return QString();
}
