#include "ViewerLog.h"

Q_LOGGING_CATEGORY(lcViewer, "linetrigger.viewer", QtInfoMsg)
