// SPDX-License-Identifier: MIT
#include "PartDock.h"

#include <QAction>
#include <QDockWidget>
#include <QMainWindow>
#include <QMenu>

namespace PartDock {

void bindToAction(QDockWidget *dock, QAction *action)
{
    action->setCheckable(true);
    action->setChecked(!dock->isHidden());
    QObject::connect(action, &QAction::triggered, dock, &QWidget::setVisible);
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
    dock->setWidget(content);
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
