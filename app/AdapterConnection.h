// SPDX-License-Identifier: MIT
#pragma once

#include "I2cTypes.h"
#include "VtlTypes.h"

#include <QObject>

#include <initializer_list>
#include <memory>
#include <optional>
#include <utility>

class CBusJob;
class CBusSession;
class QAction;
class QActionGroup;
class QMainWindow;

// Connecting an adapter through the device dialog, and the speed and pull-up options of
// the Options menu on the connected adapter. Failures are shown as messages under the
// window; confirmations go to its status bar.
class AdapterConnection : public QObject
{
    Q_OBJECT

public:
    AdapterConnection(CBusSession &session,
                      std::initializer_list<std::pair<QAction *, EI2cSpeed>> speeds,
                      QAction *pullUps, QMainWindow *window);

    QActionGroup *speedGroup() const { return m_speedGroup; }

    // Asks for the adapter, the speed and the pull-ups, then connects; false when the user
    // cancelled or the connection failed (the failure has been shown).
    bool connectFromDialog();
    // The option actions enabled as far as the adapter supports them, none while busy.
    void updateEnabled(bool connected, bool idle);
    // The option the user chose, set on the connected adapter; after a failure the menu
    // shows the adapter's own setting again.
    void setSpeed(QAction *action);
    void setPullUps(bool enabled);

private:
    enum class EOutcome
    {
        Done,
        Failed, // and the failure has been shown
        Lost,   // the adapter went away meanwhile: the loss has been reported instead
    };
    // Waits for a change of the adapter's configuration.
    EOutcome runConfiguration(const std::shared_ptr<CBusJob> &job, const QString &title,
                              const QString &failure);

    CBusSession &m_session;
    // The adapter last connected, offered first when the user connects again.
    std::optional<SVtlDeviceEntry> m_lastDevice;
    QActionGroup *m_speedGroup;
    QAction *m_pullUps;
    QMainWindow *m_window;
};
