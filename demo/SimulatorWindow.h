// SPDX-License-Identifier: MIT
#pragma once

#include <QList>

class QAction;
class QMainWindow;
class QWidget;

// A small window of its own with the simulator's entries as buttons. It belongs to no other
// window, so the progress dialog of a running transfer, modal to the main window, does not
// block it: a cable can be pulled or a reply lost in the middle of a long transfer. It
// stays hidden until shown, does not keep the application running, and goes with `window`.
namespace SimulatorWindow {

QWidget *Create(QMainWindow &window, const QList<QAction *> &actions);

} // namespace SimulatorWindow
