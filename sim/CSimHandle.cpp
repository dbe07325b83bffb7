// SPDX-License-Identifier: MIT
#include "CSimHandle.h"

#include "CSimAdapter.h"
#include "SimLock.h"

#include <algorithm>
#include <cstring>

namespace {

const wchar_t *const TEXT_SUCCESS = L"Success";
const wchar_t *const TEXT_REMOVED_READ = L"Device disconnected";
const wchar_t *const TEXT_REMOVED_WRITE = L"No such device";
const wchar_t *const TEXT_INVALID_ARGUMENT = L"Invalid argument";
const wchar_t *const TEXT_CLOSED = L"Device closed";
constexpr std::size_t MIN_WRITE_LENGTH = 2; // the report ID and one byte, as hidraw wants

} // namespace

CSimHandle::CSimHandle(std::shared_ptr<CSimAdapter> adapter, int interfaceNumber)
    : m_adapter(std::move(adapter))
    , m_interfaceNumber(interfaceNumber)
{}

void CSimHandle::Queue(std::vector<unsigned char> report, Clock::time_point readyAt)
{
    m_queue.push_back({readyAt, std::move(report)});
}

void CSimHandle::DiscardDueAfter(Clock::time_point now)
{
    std::erase_if(m_queue, [now](const SQueued &queued) { return queued.readyAt > now; });
}

void CSimHandle::MarkRemoved()
{
    m_removed = true;
    m_queue.clear();
}

int CSimHandle::Write(const unsigned char *data, std::size_t length)
{
    m_error.clear();
    if (m_removed) {
        m_error = TEXT_REMOVED_WRITE;
        return -1;
    }
    if (data == nullptr || length < MIN_WRITE_LENGTH) {
        m_error = TEXT_INVALID_ARGUMENT;
        return -1;
    }
    return m_adapter->HandleWrite(*this, data, length);
}

int CSimHandle::Read(std::unique_lock<std::mutex> &lock, unsigned char *data, std::size_t length,
                     int timeoutMs)
{
    if (data == nullptr && length > 0) {
        m_error = TEXT_INVALID_ARGUMENT;
        return -1;
    }
    m_error.clear();
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    ++m_waiters;
    int result = 0;
    for (;;) {
        if (m_closing) {
            m_error = TEXT_CLOSED;
            result = -1;
            break;
        }
        if (m_removed) {
            m_error = TEXT_REMOVED_READ;
            result = -1;
            break;
        }
        if (!m_queue.empty() && m_queue.front().readyAt <= m_adapter->NowLocked()) {
            std::vector<unsigned char> report = std::move(m_queue.front().report);
            m_queue.pop_front();
            const std::size_t n = std::min(length, report.size());
            if (n > 0)
                std::memcpy(data, report.data(), n);
            result = static_cast<int>(n);
            break;
        }
        if (timeoutMs >= 0 && Clock::now() >= deadline)
            break;
        // A clock that a test steps does not move while we wait: only a new report can help.
        if (m_queue.empty() || m_adapter->HasOwnClockLocked()) {
            if (timeoutMs < 0)
                SimReportQueued().wait(lock);
            else
                SimReportQueued().wait_until(lock, deadline);
        } else {
            const Clock::time_point due = m_queue.front().readyAt;
            SimReportQueued().wait_until(lock, timeoutMs < 0 ? due : std::min(due, deadline));
        }
    }
    --m_waiters;
    return result;
}

const wchar_t *CSimHandle::GetError() const
{
    return m_error.empty() ? TEXT_SUCCESS : m_error.c_str();
}
