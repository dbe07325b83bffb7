// SPDX-License-Identifier: MIT
#pragma once

#include <QKeyEvent>
#include <QObject>

#include <functional>
#include <utility>

// Calls a function when plain Return or Enter is pressed in one object, and consumes the
// key then. It lives as long as the object it watches.
class ReturnKeyHook : public QObject
{
public:
    ReturnKeyHook(QObject *watched, std::function<void()> pressed)
        : QObject(watched)
        , m_pressed(std::move(pressed))
    {
        watched->installEventFilter(this);
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (!plain || (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter))
            return false;
        m_pressed();
        return true;
    }

private:
    std::function<void()> m_pressed;
};
