#pragma once
// Double-click reactions for controls that have no double-click signal (an
// edit box): a filter on the control runs the reaction on every mouse
// double-click, reports an exception that leaves it, and lets the control
// handle the click as usual afterwards.

#include <functional>

class QWidget;

void onDoubleClick(QWidget& control, std::function<void()> reaction);
