// SPDX-License-Identifier: MIT
#pragma once

#include "BusFrames.h"
#include "EFailureKind.h"
#include "SBusAdapterInfo.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A client's connection to a bus server: a blocking local socket on which one thread at a
// time sends frames and waits for the answers. The bus session's worker uses it while a
// job runs and the session's thread while none does.
class CTransactionControl;

// What a wait for the server brought besides its answer.
struct SRemoteEvents
{
    // The server said the adapter has gone, or went away itself.
    bool lost = false;
    // The adapter's configuration after a change.
    std::optional<SBusAdapterInfo> adapter;
    // A lock the server ended on its own (its time ran out) while another answer was awaited.
    std::uint32_t endedLock = 0;
};

class CRemoteBus
{
public:
    ~CRemoteBus();
    CRemoteBus(const CRemoteBus &) = delete;
    CRemoteBus &operator=(const CRemoteBus &) = delete;

    // Connects to the server at `socketPath`, says hello as `program` and takes the
    // server's welcome; null with `error` and `kind` when it refuses or does not answer.
    static std::unique_ptr<CRemoteBus> Connect(const std::string &socketPath,
                                               const std::string &program, std::string &error,
                                               EFailureKind &kind);

    enum class ERead
    {
        Frame,
        Timeout,
        Closed, // the server went away or sent what is no frame
    };

    // The adapter the server holds, as its welcome told.
    const SBusAdapterInfo &Adapter() const { return m_adapter; }
    const std::string &ServerProgram() const { return m_serverProgram; }
    std::int64_t ServerPid() const { return m_serverPid; }
    std::uint16_t Version() const { return m_version; }
    int Fd() const { return m_fd; }
    bool IsClosed() const { return m_fd < 0; }

    bool Send(const BusFrames::SFrame &frame);
    // The next frame, waiting at most `timeoutMs` (negative: without limit).
    ERead Read(BusFrames::SFrame &frame, int timeoutMs);
    std::uint32_t NextTag() { return ++m_lastTag; }

    // Waits for the answer of `type` (or LockEnded) to the frame with `tag`. While it waits,
    // progress of that tag goes to `control` (may be null), and its cancel request goes to the
    // server once. Empty when the connection ends first.
    std::optional<BusFrames::SFrame> Await(BusFrames::EFrameType type, std::uint32_t tag,
                                           const CTransactionControl *control,
                                           SRemoteEvents &events);
    // Runs one transaction through the server. A connection that ends first fails it as
    // AdapterGone; the origin fields, the server's business, come back empty.
    STransactionRecord Transact(const STransactionRequest &request,
                                const CTransactionControl *control, SRemoteEvents &events);
    void Close();

private:
    explicit CRemoteBus(int fd);

    int m_fd;
    std::vector<unsigned char> m_buffer;
    SBusAdapterInfo m_adapter;
    std::string m_serverProgram;
    std::int64_t m_serverPid = 0;
    std::uint16_t m_version = 0;
    std::uint32_t m_lastTag = 0;
};
