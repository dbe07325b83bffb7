// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CSimAdapter;

// One open hidapi device: an interface of an adapter with its own queue of input
// reports, as every open hidraw file has. All members are used with SimMutex() held.
class CSimHandle
{
public:
    using Clock = std::chrono::steady_clock;

    CSimHandle(std::shared_ptr<CSimAdapter> adapter, int interfaceNumber);
    virtual ~CSimHandle() = default;

    CSimHandle(const CSimHandle &) = delete;
    CSimHandle &operator=(const CSimHandle &) = delete;

    const std::shared_ptr<CSimAdapter> &GetAdapter() const { return m_adapter; }
    int GetInterfaceNumber() const { return m_interfaceNumber; }

    void Queue(std::vector<unsigned char> report, Clock::time_point readyAt);
    // Withdraws the reports that become readable only after `now`.
    void DiscardDueAfter(Clock::time_point now);
    // The adapter went away: every later read and write fails, as on a removed hidraw device.
    void MarkRemoved();
    bool IsRemoved() const { return m_removed; }

    int Write(const unsigned char *data, std::size_t length);
    // Waits on SimReportQueued() with `lock` (holding SimMutex()) for a report that is due.
    int Read(std::unique_lock<std::mutex> &lock, unsigned char *data, std::size_t length,
             int timeoutMs);

    // hid_close while another thread still waits in Read: the last waiter frees the handle.
    void MarkClosing() { m_closing = true; }
    bool IsClosing() const { return m_closing; }
    int GetWaiterCount() const { return m_waiters; }

    const wchar_t *GetError() const;
    void SetError(std::wstring text) { m_error = std::move(text); }

private:
    struct SQueued
    {
        Clock::time_point readyAt;
        std::vector<unsigned char> report;
    };

    std::shared_ptr<CSimAdapter> m_adapter;
    int m_interfaceNumber;
    std::deque<SQueued> m_queue;
    std::wstring m_error;
    bool m_removed = false;
    bool m_closing = false;
    int m_waiters = 0;
};

// hidapi's opaque device type is the simulator's handle.
struct hid_device_ final : public CSimHandle
{
    using CSimHandle::CSimHandle;
};
