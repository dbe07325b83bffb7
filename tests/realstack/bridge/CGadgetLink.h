// SPDX-License-Identifier: MIT
#pragma once

#include "CSimAdapter.h"

#include <atomic>
#include <memory>
#include <shared_mutex>
#include <string>
#include <thread>

struct hid_device_;

// Joins the gadget side of one adapter's special-mode interface (/dev/hidgN) to a
// simulated adapter: reports the host sends reach the simulated firmware, its replies go
// back to the host. The gadget's UDC file tells whether the host can see the adapter, so
// an unbind unplugs the simulated adapter and a bind plugs it in afresh.
class CGadgetLink
{
public:
    CGadgetLink(std::shared_ptr<CSimAdapter> adapter, std::string gadgetNode, std::string udcFile);
    ~CGadgetLink();

    CGadgetLink(const CGadgetLink &) = delete;
    CGadgetLink &operator=(const CGadgetLink &) = delete;

    bool Start();
    const std::string &GetLastError() const { return m_lastError; }
    // A silent adapter takes the host's reports and never answers them.
    void SetSilent(bool silent) { m_silent = silent; }

private:
    void ForwardToAdapter();
    void ForwardToHost();
    void SendToHost(const unsigned char *report, std::size_t length);
    void FollowUdc();
    void Replug(bool bound);

    std::shared_ptr<CSimAdapter> m_adapter;
    std::string m_gadgetNode;
    std::string m_udcFile;
    std::string m_lastError;
    int m_gadgetFd = -1;
    // Shared by the two forwarding threads, exclusive while the handle is replaced.
    std::shared_mutex m_simMutex;
    hid_device_ *m_sim = nullptr;
    std::atomic<bool> m_silent{false};
    std::atomic<bool> m_stop{false};
    std::thread m_toAdapter;
    std::thread m_toHost;
    std::thread m_udc;
};
