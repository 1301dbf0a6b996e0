#pragma once

#include <QLoggingCategory>

// Diagnostics of the sim layer ("linetrigger.sim"): QT_LOGGING_RULES="linetrigger.sim.debug=true"
// shows its details.
Q_DECLARE_LOGGING_CATEGORY(lcSim)
