// SPDX-License-Identifier: MIT
#pragma once

#include <condition_variable>
#include <mutex>

// The one lock of the simulator: it guards every adapter, handle, slave and fault, so
// the hidapi entry points and the control interface may be called from any thread.
std::mutex &SimMutex();

// Signalled whenever an input report is queued or a handle stops working.
std::condition_variable &SimReportQueued();
