// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <memory>

class CBusJob;
class CBusSession;
class QWidget;

// Waits for a job the user started, in front of the user: the window keeps painting in a
// local event loop while the job runs, and after 300 ms a window-modal progress dialog
// shows how far it got and offers Cancel. Every dock's long operation waits this way.
namespace BusJobWaiter {

// Returns once the job has finished. When the application quits under the wait, the job
// is cancelled and awaited, so no caller continues while the bus is still busy with it.
void waitFor(CBusSession &session, const std::shared_ptr<CBusJob> &job, const QString &what,
             QWidget *parent);

} // namespace BusJobWaiter
