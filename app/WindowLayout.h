// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

class QDockWidget;
class QMainWindow;

// The arrangement of the window's docks: by default all of them tabbed in the right area
// in front of the first, so that opening one adds a tab instead of widening the window,
// and a window with every dock open still fits a laptop screen. The tab bars the window
// makes for tabbed docks elide their names in the middle.
class WindowLayout : public QObject
{
    Q_OBJECT

public:
    WindowLayout(QMainWindow &window, QDockWidget &first);

public Q_SLOTS:
    // Every dock docked again and tabbed behind the first, each shown or hidden as before.
    void arrange();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QMainWindow &m_window;
    QDockWidget &m_first;
};
