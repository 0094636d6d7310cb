#pragma once

#include <QLoggingCategory>

// The program's own logging category, "tapwise". Its levels are switched by the
// filter rules that AppLogger sets from the stored log level.
Q_DECLARE_LOGGING_CATEGORY(appLog)
