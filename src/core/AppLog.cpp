#include "core/AppLog.h"

Q_LOGGING_CATEGORY(appLog, "tapwise")
