// SPDX-License-Identifier: MIT
#include "WindowLayout.h"

#include <QChildEvent>
#include <QDockWidget>
#include <QMainWindow>
#include <QTabBar>

namespace {

// Room for a register table or the scan grid without taking the fields' width.
constexpr int DOCK_AREA_WIDTH = 420;

void elideInTheMiddle(QTabBar *bar)
{
    bar->setElideMode(Qt::ElideMiddle);
}

} // namespace

WindowLayout::WindowLayout(QMainWindow &window, QDockWidget &first)
    : QObject(&window)
    , m_window(window)
    , m_first(first)
{
    // The window makes its tab bars when docks are first tabbed, and again whenever the
    // user rearranges them.
    m_window.installEventFilter(this);
}

void WindowLayout::arrange()
{
    // The first is placed before the others join it: docking it again would take it out
    // of the tabs it heads.
    m_first.setFloating(false);
    m_window.addDockWidget(Qt::RightDockWidgetArea, &m_first);
    for (QDockWidget *dock : m_window.findChildren<QDockWidget *>()) {
        if (dock == &m_first)
            continue;
        const bool shown = !dock->isHidden();
        dock->setFloating(false);
        m_window.tabifyDockWidget(&m_first, dock);
        dock->setVisible(shown);
    }
    m_window.resizeDocks({&m_first}, {DOCK_AREA_WIDTH}, Qt::Horizontal);
    m_first.raise();
    for (QTabBar *bar : m_window.findChildren<QTabBar *>(Qt::FindDirectChildrenOnly))
        elideInTheMiddle(bar);
}

bool WindowLayout::eventFilter(QObject *watched, QEvent *event)
{
    // Polished, not merely added: a child just added is not yet constructed as a tab bar.
    if (watched == &m_window && event->type() == QEvent::ChildPolished) {
        if (auto *bar = qobject_cast<QTabBar *>(static_cast<QChildEvent *>(event)->child()))
            elideInTheMiddle(bar);
    }
    return false;
}
