#include "SimLog.h"

Q_LOGGING_CATEGORY(lcSim, "linetrigger.sim", QtInfoMsg)
