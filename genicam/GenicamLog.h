#pragma once

#include <QLoggingCategory>

// Diagnostics of the genicam layer ("linetrigger.genicam"): QT_LOGGING_RULES="linetrigger.genicam.debug=true"
// shows its details.
Q_DECLARE_LOGGING_CATEGORY(lcGenicam)
