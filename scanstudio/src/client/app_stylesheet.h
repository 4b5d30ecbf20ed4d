#pragma once

#include <QString>

// ScanStudio's look: one style sheet for the whole application, keyed by
// widget class and object name, applied once the main window is shown.
QString appStyleSheet();
