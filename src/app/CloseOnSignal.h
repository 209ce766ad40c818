#pragma once
// SIGINT, SIGTERM and SIGHUP close the window normally, so that what the
// program gives back at close (the mixer settings, the volumes) is given
// back when a terminal is closed or the session ends too. The handler only
// writes to a pipe; the event loop does the closing.

class QWidget;

// Installs the handlers; a signal then closes `window`. Once per program.
void closeOnSignals(QWidget& window);
