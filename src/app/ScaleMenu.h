#pragma once
// "velikost okna" in the screen's context menu: 100 %, 150 % and 200 %, the
// size in force checked. Another choice is kept in the settings file and
// handed to `chosen`, which opens the window anew at that size.

#include <functional>

class QMenu;

QMenu* addScaleMenu(QMenu& screenMenu, std::function<void(double scale)> chosen);
