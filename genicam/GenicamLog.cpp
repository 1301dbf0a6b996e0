#include "GenicamLog.h"

Q_LOGGING_CATEGORY(lcGenicam, "linetrigger.genicam", QtInfoMsg)
