// SPDX-License-Identifier: MIT
// Clients of a bus server for tests whose server runs in the test's own thread: a bus
// session in a thread of its own, and a bare socket that speaks frames by hand.
#pragma once

#include "BusFrames.h"
#include "CBusSession.h"

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// Runs the test's event loop (and with it the server) until `future` is ready.
template <typename T>
T ServeUntil(std::future<T> &future)
{
    while (future.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return future.get();
}

// A bus session of another program, as far as the server can tell: its own thread with an
// event loop, where every call on it runs.
class CClientThread
{
public:
    CClientThread()
    {
        m_thread.start();
        m_context.moveToThread(&m_thread);
    }
    ~CClientThread()
    {
        Call([this] { m_session.reset(); });
        m_thread.quit();
        m_thread.wait();
    }

    // Starts `function` in the thread; the test serves until it asks for the result.
    template <typename F>
    auto Post(F function) -> std::future<decltype(function())>
    {
        auto task =
            std::make_shared<std::packaged_task<decltype(function())()>>(std::move(function));
        auto future = task->get_future();
        QMetaObject::invokeMethod(
            &m_context, [task] { (*task)(); }, Qt::QueuedConnection);
        return future;
    }
    template <typename F>
    auto Call(F function) -> decltype(function())
    {
        auto future = Post(std::move(function));
        return ServeUntil(future);
    }

    bool Connect(const std::wstring &serial, const std::string &program)
    {
        return Call([this, serial, program] {
            m_session = std::make_unique<CBusSession>();
            m_session->SetOrigin(program);
            QObject::connect(m_session.get(), &CBusSession::connectionLost, &m_context,
                             [this] { ++m_losses; });
            return m_session->Connect({EVtlType::VtlA, serial}, EI2cSpeed::Speed100k);
        });
    }
    // Only inside Call.
    CBusSession &Session() { return *m_session; }
    int Losses() const { return m_losses; }
    // Lets the thread's event loop hear what the server sent meanwhile.
    void Settle()
    {
        Call([] { QCoreApplication::processEvents(); });
    }

private:
    QThread m_thread;
    QObject m_context;
    std::unique_ptr<CBusSession> m_session;
    std::atomic<int> m_losses{0};
};

// A client that writes frames (or anything) itself, in the test's thread.
class CRawClient
{
public:
    explicit CRawClient(const std::string &path)
    {
        m_fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        if (connect(m_fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0)
            Close();
    }
    ~CRawClient() { Close(); }
    bool IsOpen() const { return m_fd >= 0; }
    int Fd() const { return m_fd; }
    void Close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    void SendBytes(const std::vector<unsigned char> &bytes)
    {
        if (m_fd >= 0)
            ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    }
    void Send(const BusFrames::SFrame &frame) { SendBytes(BusFrames::Encode(frame)); }
    void Hello(std::uint16_t versionMin = BusFrames::VERSION_MIN,
               std::uint16_t versionMax = BusFrames::VERSION_MAX)
    {
        BusFrames::SFrame hello;
        hello.type = BusFrames::EFrameType::Hello;
        hello.versionMin = versionMin;
        hello.versionMax = versionMax;
        hello.program = "raw";
        Send(hello);
    }
    // The next frame, serving meanwhile; empty when the server closed the connection (or
    // `closed` is set then) or nothing came within `timeoutMs`.
    std::optional<BusFrames::SFrame> Next(int timeoutMs = 5000, bool *closed = nullptr)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (m_fd >= 0 && std::chrono::steady_clock::now() < until) {
            const BusFrames::SDecodeResult decoded =
                BusFrames::Decode(m_buffer.data(), m_buffer.size());
            if (decoded.status == BusFrames::EDecodeStatus::Frame) {
                m_buffer.erase(m_buffer.begin(),
                               m_buffer.begin() + static_cast<std::ptrdiff_t>(decoded.consumed));
                return decoded.frame;
            }
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            pollfd waiting{m_fd, POLLIN, 0};
            if (::poll(&waiting, 1, 1) <= 0)
                continue;
            unsigned char chunk[4096];
            const ssize_t n = ::recv(m_fd, chunk, sizeof(chunk), 0);
            if (n <= 0) {
                Close();
                if (closed != nullptr)
                    *closed = true;
                break;
            }
            m_buffer.insert(m_buffer.end(), chunk, chunk + n);
        }
        return std::nullopt;
    }

private:
    int m_fd = -1;
    std::vector<unsigned char> m_buffer;
};
