// SPDX-License-Identifier: MIT
#include "CGadgetLink.h"

#include "SimTypes.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <hidapi.h>
#include <mutex>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr int SIM_READ_TIMEOUT_MS = 20;
constexpr int GADGET_POLL_MS = 100;
constexpr auto UDC_POLL = std::chrono::milliseconds(10);
constexpr auto RETRY_PAUSE = std::chrono::milliseconds(5);

bool UdcBound(const std::string &udcFile)
{
    std::ifstream file(udcFile);
    std::string name;
    std::getline(file, name);
    return !name.empty();
}

} // namespace

CGadgetLink::CGadgetLink(std::shared_ptr<CSimAdapter> adapter, std::string gadgetNode,
                         std::string udcFile)
    : m_adapter(std::move(adapter))
    , m_gadgetNode(std::move(gadgetNode))
    , m_udcFile(std::move(udcFile))
{}

CGadgetLink::~CGadgetLink()
{
    m_stop = true;
    for (std::thread *thread : {&m_toAdapter, &m_toHost, &m_udc}) {
        if (thread->joinable())
            thread->join();
    }
    if (m_sim != nullptr)
        hid_close(m_sim);
    if (m_gadgetFd >= 0)
        close(m_gadgetFd);
}

bool CGadgetLink::Start()
{
    m_gadgetFd = open(m_gadgetNode.c_str(), O_RDWR | O_NONBLOCK);
    if (m_gadgetFd < 0) {
        m_lastError = m_gadgetNode + ": " + std::strerror(errno);
        return false;
    }
    Replug(UdcBound(m_udcFile));
    m_toAdapter = std::thread([this] { ForwardToAdapter(); });
    m_toHost = std::thread([this] { ForwardToHost(); });
    m_udc = std::thread([this] { FollowUdc(); });
    return true;
}

void CGadgetLink::Replug(bool bound)
{
    const std::unique_lock lock(m_simMutex);
    if (m_sim != nullptr) {
        hid_close(m_sim);
        m_sim = nullptr;
    }
    if (bound) {
        if (!m_adapter->IsPlugged())
            m_adapter->Plug();
        m_sim = hid_open_path(m_adapter->GetSpecialPath().c_str());
    } else {
        m_adapter->Unplug();
    }
}

void CGadgetLink::ForwardToAdapter()
{
    unsigned char report[SIM_REPORT_SIZE];
    while (!m_stop) {
        // Polled, so that the thread notices the end of the program while the host is quiet.
        pollfd ready{m_gadgetFd, POLLIN, 0};
        if (poll(&ready, 1, GADGET_POLL_MS) <= 0)
            continue;
        const ssize_t length = read(m_gadgetFd, report, sizeof report);
        if (length <= 0) {
            std::this_thread::sleep_for(RETRY_PAUSE);
            continue;
        }
        if (m_silent)
            continue;
        const std::shared_lock lock(m_simMutex);
        if (m_sim != nullptr)
            hid_write(m_sim, report, static_cast<std::size_t>(length));
    }
}

void CGadgetLink::ForwardToHost()
{
    unsigned char report[SIM_REPORT_SIZE];
    while (!m_stop) {
        int length = -1;
        {
            // A short wait, so that a replug does not wait long for the handle.
            const std::shared_lock lock(m_simMutex);
            if (m_sim != nullptr)
                length = hid_read_timeout(m_sim, report, sizeof report, SIM_READ_TIMEOUT_MS);
        }
        if (length <= 0) {
            if (length < 0)
                std::this_thread::sleep_for(RETRY_PAUSE);
            continue;
        }
        SendToHost(report, static_cast<std::size_t>(length));
    }
}

void CGadgetLink::SendToHost(const unsigned char *report, std::size_t length)
{
    // The gadget takes one report at a time and only while the host polls its endpoint;
    // waiting in steps keeps the end of the program in view.
    while (!m_stop) {
        pollfd ready{m_gadgetFd, POLLOUT, 0};
        if (poll(&ready, 1, GADGET_POLL_MS) <= 0)
            continue;
        const ssize_t written = write(m_gadgetFd, report, length);
        if (written == static_cast<ssize_t>(length))
            return;
        if (written < 0 && errno != EAGAIN)
            return; // the gadget went unbound meanwhile: the reply is lost, as on a cable pull
    }
}

void CGadgetLink::FollowUdc()
{
    bool bound = m_adapter->IsPlugged();
    while (!m_stop) {
        std::this_thread::sleep_for(UDC_POLL);
        const bool now = UdcBound(m_udcFile);
        if (now == bound)
            continue;
        bound = now;
        Replug(bound);
    }
}
