// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

#include <functional>
#include <utility>

class QEvent;

// Hands the events of one object to a function, which consumes an event by returning
// true. It lives as long as the object it watches.
class EventHook : public QObject
{
public:
    EventHook(QObject *watched, std::function<bool(QEvent *)> handler)
        : QObject(watched)
        , m_handler(std::move(handler))
    {
        watched->installEventFilter(this);
    }

    bool eventFilter(QObject *, QEvent *event) override { return m_handler(event); }

private:
    std::function<bool(QEvent *)> m_handler;
};
