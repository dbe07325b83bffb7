// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <Qt>

class QAction;
class QDockWidget;
class QMainWindow;
class QMenu;
class QWidget;

// The dock a part of the window lives in, and its checkable entry in the View menu.
namespace PartDock {

// Keeps a checkable View action and a dock in step: the action shows and hides the dock.
// A dock that is merely covered (tabbed, window minimised) keeps its check; only a dock
// the user closed loses it. The handler holds the two objects themselves, since the base
// class destructor may still hide the dock after the form object is gone.
void bindToAction(QDockWidget *dock, QAction *action);

// A dock of `window` for `content` (inside a scroll area), hidden until the user asks for it (a saved layout may
// show it again), with its action appended to `viewMenu`.
QDockWidget *add(QMainWindow *window, QMenu *viewMenu, const QString &title,
                 const QString &dockName, const QString &actionName, QWidget *content,
                 Qt::DockWidgetArea area);

// Shows and raises the dock; one that opens docked takes the height its content asks for.
void open(QMainWindow *window, QDockWidget *dock, bool fitHeight = false);

} // namespace PartDock
