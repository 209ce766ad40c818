#pragma once
// SIGINT, SIGTERM and SIGHUP close the window normally, so that what the
// program gives back at close (the mixer settings, the volumes) is given
// back when a terminal is closed or the session ends too. The handler only
// writes to a pipe; the event loop does the closing.

class QWidget;

// Installs the handlers once the application object exists: a signal that
// comes before the window does (while the mixer is being set up) closes the
// message boxes of start-up and then the window, as soon as
// `closeOnSignals` names it. Once per program.
void catchCloseSignals();
// A signal, caught before or after, closes `window`. Once per program.
void closeOnSignals(QWidget& window);
