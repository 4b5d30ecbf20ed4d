#pragma once

#include <QString>

// True when another process of the service is running: the caller could not
// take the lock on <root>temp/printmonitorservice.lock, which it then holds
// until it ends. Of any number of simultaneous starts exactly one gets false.
// The folder is created mode 0755, so only root can replace the lock file.
bool CheckIsRunning(const QString& installRoot);
