#pragma once

#include "LineHistory.h"
#include "LineTimes.h"
#include "SettingsSnapshot.h"
#include "TrendRecorder.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QTextDocument;

// One PDF for the customer's file: the camera, the verdict and the figures it rests on, the picture
// of the newest lines, the session's trends, the intervals between lines and every setting of the
// camera. GUI thread (it draws charts); reads nothing from the camera itself.
class CommissioningReport
{
public:
    struct Contents
    {
        QString camera;
        QDateTime time;
        QString verdict;
        // Label and value, in order: the measured figures, the installation, the trigger.
        std::vector<std::pair<QString, QString>> facts;
        LineHistory::Image picture;
        std::vector<TrendRecorder::Point> trends;
        std::optional<LineTimes::Summary> intervals;
        bool untimed = false;
        // Empty when they could not be read.
        std::optional<SettingsSnapshot> settings;
    };

    // Empty, or why the file was not written.
    static QString write(const Contents& contents, const QString& path);
    // The document as it goes to paper, its pictures among its resources.
    static std::unique_ptr<QTextDocument> document(const Contents& contents);
};
