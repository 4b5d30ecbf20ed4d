// The device poll, on its own thread.

#include "mainwindow.h"

#include <QTimer>

void MainWindow::onTimer()
{
    // The first run comes at once, every later one 5 s after the previous.
    pollTimer->setInterval(5000);
}
