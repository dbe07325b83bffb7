// SPDX-License-Identifier: MIT
#include "SimulatorWindow.h"

#include <QAction>
#include <QCoreApplication>
#include <QMainWindow>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace SimulatorWindow {

QWidget *Create(QMainWindow &window, const QList<QAction *> &actions)
{
    // No parent: a window-modal dialog blocks its parent's whole family of windows.
    auto *panel = new QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
    panel->setObjectName(u"simulatorWindow"_s);
    panel->setWindowTitle(QCoreApplication::translate("SimulatorWindow", "Simulator"));
    panel->setAttribute(Qt::WA_QuitOnClose, false);
    auto *layout = new QVBoxLayout(panel);
    for (QAction *action : actions) {
        if (action->isSeparator())
            continue;
        auto *button = new QToolButton(panel);
        button->setObjectName(u"btn_"_s + action->objectName());
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        layout->addWidget(button);
    }
    QObject::connect(&window, &QObject::destroyed, panel, [panel] { delete panel; });
    return panel;
}

} // namespace SimulatorWindow
