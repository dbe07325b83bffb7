// SPDX-License-Identifier: MIT
#pragma once

#include <QAction>
#include <QColor>
#include <QDockWidget>

// Values that several parts of the main window share; everything else stays local to
// the file that uses it.

inline constexpr int STATUS_MESSAGE_MS = 5000;
inline constexpr unsigned char PLACEHOLDER_ADDRESS = 0x50;

inline const QColor STATUS_COLOR_ACTIVE = QColor(0x4C, 0xAF, 0x50).darker(120);
inline const QColor STATUS_COLOR_INACTIVE = QColor(0x60, 0x7D, 0x8B);

// Keeps a checkable View action and a dock in step: the action shows and hides the dock.
// A dock that is merely covered (tabbed, window minimised) keeps its check; only a dock
// the user closed loses it. The handler holds the two objects themselves, since the base
// class destructor may still hide the dock after the form object is gone.
inline void bindDockToAction(QDockWidget *dock, QAction *action)
{
    action->setCheckable(true);
    action->setChecked(!dock->isHidden());
    QObject::connect(action, &QAction::triggered, dock, &QWidget::setVisible);
    QObject::connect(dock, &QDockWidget::visibilityChanged, action, [action, dock](bool visible) {
        action->setChecked(visible || !dock->isHidden());
    });
}
