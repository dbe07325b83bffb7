// SPDX-License-Identifier: MIT
#include "CRemoteBus.h"

#include "BusPeerCredentials.h"
#include "CTransactionControl.h"
#include "FailureText.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A server answers a hello from its event loop at once; one that stays silent this long
// is hung, and the caller would rather hear so than wait.
constexpr int WELCOME_TIMEOUT_MS = 5000;
// How often a wait for the server looks at the caller's cancel request.
constexpr int CANCEL_POLL_MS = 10;

} // namespace

CRemoteBus::CRemoteBus(int fd)
    : m_fd(fd)
{}

CRemoteBus::~CRemoteBus()
{
    Close();
}

void CRemoteBus::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

std::unique_ptr<CRemoteBus> CRemoteBus::Connect(const std::string &socketPath,
                                                const std::string &program, std::string &error,
                                                EFailureKind &kind)
{
    kind = EFailureKind::AdapterGone;
    sockaddr_un address{};
    if (socketPath.size() >= sizeof(address.sun_path)) {
        error = "Socket path too long: " + socketPath;
        return nullptr;
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("Cannot create a socket: ") + std::strerror(errno);
        return nullptr;
    }
    std::unique_ptr<CRemoteBus> bus(new CRemoteBus(fd));
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    if (connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) != 0) {
        error = "Cannot reach the server of the adapter: " + std::string(std::strerror(errno));
        return nullptr;
    }
    std::string why;
    if (!BusPeerCredentials::IsSameUser(fd, &why)) {
        error = "The adapter's server runs as another user: " + why;
        kind = EFailureKind::PermissionDenied;
        return nullptr;
    }
    BusFrames::SFrame hello;
    hello.type = BusFrames::EFrameType::Hello;
    hello.program = program;
    hello.pid = getpid();
    if (!bus->Send(hello)) {
        error = "The adapter's server closed the connection";
        return nullptr;
    }
    BusFrames::SFrame answer;
    switch (bus->Read(answer, WELCOME_TIMEOUT_MS)) {
    case ERead::Timeout:
        error = "The adapter's server does not answer";
        return nullptr;
    case ERead::Closed:
        error = "The adapter's server closed the connection";
        return nullptr;
    case ERead::Frame:
        break;
    }
    if (answer.type == BusFrames::EFrameType::Refusal) {
        error = "The adapter's server refused: " + answer.text;
        kind = EFailureKind::PermissionDenied;
        return nullptr;
    }
    if (answer.type != BusFrames::EFrameType::Welcome) {
        error = "The adapter's server answered out of turn";
        kind = EFailureKind::Other;
        return nullptr;
    }
    bus->m_adapter = answer.adapter;
    bus->m_serverProgram = answer.program;
    bus->m_serverPid = answer.pid;
    bus->m_version = answer.version;
    return bus;
}

bool CRemoteBus::Send(const BusFrames::SFrame &frame)
{
    if (m_fd < 0)
        return false;
    const std::vector<unsigned char> bytes = BusFrames::Encode(frame);
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            Close();
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

CRemoteBus::ERead CRemoteBus::Read(BusFrames::SFrame &frame, int timeoutMs)
{
    for (;;) {
        if (m_fd < 0)
            return ERead::Closed;
        if (!m_buffer.empty()) {
            BusFrames::SDecodeResult decoded = BusFrames::Decode(m_buffer.data(), m_buffer.size());
            if (decoded.status == BusFrames::EDecodeStatus::Malformed) {
                Close();
                return ERead::Closed;
            }
            if (decoded.status == BusFrames::EDecodeStatus::Frame) {
                m_buffer.erase(m_buffer.begin(),
                               m_buffer.begin() + static_cast<std::ptrdiff_t>(decoded.consumed));
                frame = std::move(decoded.frame);
                return ERead::Frame;
            }
        }
        pollfd waiting{m_fd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, timeoutMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            return ERead::Timeout;
        unsigned char chunk[4096];
        const ssize_t n = ::recv(m_fd, chunk, sizeof(chunk), 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0) {
            Close();
            return ERead::Closed;
        }
        m_buffer.insert(m_buffer.end(), chunk, chunk + n);
    }
}

std::optional<BusFrames::SFrame> CRemoteBus::Await(BusFrames::EFrameType type, std::uint32_t tag,
                                                   const CTransactionControl *control,
                                                   SRemoteEvents &events)
{
    bool cancelSent = false;
    BusFrames::SFrame frame;
    for (;;) {
        if (!cancelSent && control != nullptr && control->IsCancelRequested()) {
            BusFrames::SFrame cancel;
            cancel.type = BusFrames::EFrameType::Cancel;
            cancel.tag = tag;
            Send(cancel);
            cancelSent = true;
        }
        switch (Read(frame, CANCEL_POLL_MS)) {
        case ERead::Timeout:
            continue;
        case ERead::Closed:
            events.lost = true;
            return std::nullopt;
        case ERead::Frame:
            break;
        }
        if (frame.type == BusFrames::EFrameType::Progress && frame.tag == tag) {
            if (control != nullptr)
                control->ReportProgress(frame.done, frame.total);
            continue;
        }
        // A lock may end (cancelled) before it was ever granted.
        if (frame.tag == tag &&
            (frame.type == type || frame.type == BusFrames::EFrameType::LockEnded))
            return frame;
        if (frame.tag == tag)
            continue;
        else if (frame.type == BusFrames::EFrameType::Adapter)
            events.adapter = frame.adapter;
        else if (frame.type == BusFrames::EFrameType::Lost)
            events.lost = true;
        else if (frame.type == BusFrames::EFrameType::LockEnded)
            events.endedLock = frame.tag;
        // Anything else answers a frame this side has stopped waiting for.
    }
}

STransactionRecord CRemoteBus::Transact(const STransactionRequest &request,
                                        const CTransactionControl *control, SRemoteEvents &events)
{
    BusFrames::SFrame frame;
    frame.type = BusFrames::EFrameType::Request;
    frame.tag = NextTag();
    frame.request = request;
    std::optional<BusFrames::SFrame> answer;
    if (Send(frame))
        answer = Await(BusFrames::EFrameType::Record, frame.tag, control, events);
    if (!answer) {
        events.lost = true;
        STransactionRecord record;
        record.request = request;
        record.failure = EFailureKind::AdapterGone;
        record.lastError = FailureText::Text(EFailureKind::AdapterGone);
        return record;
    }
    STransactionRecord record = std::move(answer->record);
    record.originProgram.clear();
    record.originPid = 0;
    return record;
}
