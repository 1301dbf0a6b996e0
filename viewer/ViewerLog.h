#pragma once

#include <QLoggingCategory>

// Diagnostics of the viewer layer ("linetrigger.viewer"): QT_LOGGING_RULES="linetrigger.viewer.debug=true"
// shows its details.
Q_DECLARE_LOGGING_CATEGORY(lcViewer)
