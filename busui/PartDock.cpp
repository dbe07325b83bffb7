// SPDX-License-Identifier: MIT
#include "PartDock.h"

#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>
#include <QScrollArea>

using namespace Qt::StringLiterals;

namespace PartDock {

void bindToAction(QDockWidget *dock, QAction *action)
{
    action->setCheckable(true);
    action->setChecked(!dock->isHidden());
    QObject::connect(action, &QAction::triggered, dock, [dock, action](bool checked) {
        // A dock covered by another tab comes to the front instead of closing: the entry
        // and its shortcut show what the user asked for.
        if (!checked && !dock->isHidden() && dock->visibleRegion().isEmpty()) {
            action->setChecked(true);
            dock->raise();
            return;
        }
        dock->setVisible(checked);
        if (checked)
            dock->raise();
    });
    QObject::connect(dock, &QDockWidget::visibilityChanged, action, [action, dock](bool visible) {
        action->setChecked(visible || !dock->isHidden());
    });
}

QDockWidget *add(QMainWindow *window, QMenu *viewMenu, const QString &title,
                 const QString &dockName, const QString &actionName, QWidget *content,
                 Qt::DockWidgetArea area)
{
    auto *dock = new QDockWidget(title, window);
    dock->setObjectName(dockName);
    // A part taller or wider than the room the window leaves scrolls instead of pushing
    // the window beyond the screen.
    auto *scroll = new QScrollArea(dock);
    scroll->setObjectName(dockName + u"_scroll"_s);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(content);
    dock->setWidget(scroll);
    window->addDockWidget(area, dock);
    dock->hide();
    auto *action = new QAction(title, window);
    action->setObjectName(actionName);
    action->setMenuRole(QAction::NoRole);
    viewMenu->addAction(action);
    bindToAction(dock, action);
    return dock;
}

void open(QMainWindow *window, QDockWidget *dock, bool fitHeight)
{
    const bool opening = dock->isHidden() && !dock->isFloating();
    dock->show();
    if (fitHeight && opening)
        window->resizeDocks({dock}, {dock->widget()->sizeHint().height()}, Qt::Vertical);
    dock->raise();
}

} // namespace PartDock
