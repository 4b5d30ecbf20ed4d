#pragma once

#include <QString>

// True when the CUPS commands (lpstat, cancel) take `queue`, given as an
// argument of its own, as that one queue. They read a word that begins with
// "-" as an option, and lpstat reads "," as the separator of several queues
// and "all" as every queue; CUPS accepts such queue names all the same.
bool IsCommandSafeQueueName(const QString& queue);
