// SPDX-License-Identifier: MIT
#pragma once

#include "CReplyScript.h"
#include "SessionInput.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

struct hid_device_;
struct hid_device_info;

// One HID interface as the scripted system lists it.
struct SListedInterface
{
    // Empty: listed without a path (a null pointer).
    std::string path;
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::optional<std::wstring> serial;
    std::optional<std::wstring> product;
    std::uint16_t releaseNumber = 0;
    int interfaceNumber = -1;
    // Belongs to the scripted adapter, so it disappears while the adapter is unplugged.
    bool adapter = false;
};

enum class EHidCall : std::uint8_t
{
    Enumerate,
    Open,
    Close,
    Write,
    FlushRead,
    AwaitedRead,
    // Calls of the transfer observer, logged in line with the library calls.
    CancelPoll,
    Progress,
};

// One library call made during a host call, and what the library answered.
struct SHidCall
{
    EHidCall call = EHidCall::Enumerate;
    // Open: the path asked for.
    std::string path;
    // Write: the report handed in; reads: the bytes delivered.
    std::vector<unsigned char> bytes;
    // Write and reads: the library's result (bytes, 0 for a time-out, -1 for an error).
    // Open: 1 when a handle was returned, else 0. CancelPoll: 1 when it asked to stop.
    int result = 0;
    // A failure's text as the library gives it, in UTF-8; empty when it gives none.
    std::string errorUtf8;
    // Progress: bytes done of the total.
    std::size_t done = 0;
    std::size_t total = 0;
};

// A second implementation of the hidapi functions that the transport calls: one system
// with one scripted adapter whose every reply comes from the fuzzer's input, so a reply
// that never comes costs no time. It logs each library call of a host call, and aborts
// at once when a wait or a flush reads more reports than the driver's bounds allow.
class CScriptedHid
{
public:
    static CScriptedHid &Instance();

    void Reset(CSessionInput *input, bool silentErrors);
    void List(SListedInterface entry);
    void SetOpenRefused(bool refused);
    // What hid_enumerate lists now (the adapter's interfaces are missing while unplugged).
    std::vector<SListedInterface> GetListing() const;

    void Unplug();
    void Replug();
    void ArmWriteFault(bool error, int written);
    void QueueStale(std::size_t count, unsigned char status);

    // Starts the log of one host call. Reads with a time-out deliver replies with
    // `awaitedId`; `replyBound` is how many replies the call may wait for at most;
    // `observed` tells that a transfer observer is installed.
    void BeginCall(unsigned char awaitedId, std::size_t replyBound, bool observed);
    std::vector<SHidCall> EndCall();

    // Logs a call of the transfer observer.
    void Record(SHidCall call);
    // Every further wait would time out: the input is used up, or the session's reads.
    bool IsScriptExhausted() const;

    std::size_t GetQueuedReports() const;
    bool IsOpenHandleDead() const;
    int GetOpenHandleCount() const;
    bool IsInitialised() const;

    int Init();
    int Exit();
    hid_device_info *Enumerate(std::uint16_t vendorId, std::uint16_t productId);
    hid_device_ *Open(const char *path);
    void Close(hid_device_ *device);
    int Write(hid_device_ *device, const unsigned char *data, std::size_t length);
    int Read(hid_device_ *device, unsigned char *data, std::size_t length, int timeoutMs);
    const wchar_t *Error(hid_device_ *device);

private:
    void RequireOpen(hid_device_ *device, const char *function) const;
    void CheckReadBounds(bool awaited);

    CSessionInput *m_input = nullptr;
    CReplyScript m_script;
    bool m_initialised = false;
    bool m_plugged = true;
    bool m_openRefused = false;
    std::vector<SListedInterface> m_interfaces;
    std::vector<hid_device_ *> m_handles;
    std::deque<std::vector<unsigned char>> m_queue;
    std::wstring m_openError;

    std::optional<int> m_writeFault;
    bool m_writeFaultIsError = false;

    unsigned char m_awaitedId = 0;
    std::size_t m_replyBound = 0;
    bool m_observed = false;
    std::size_t m_flushReads = 0;
    std::size_t m_drainReads = 0;
    bool m_draining = false;
    std::size_t m_waitingReads = 0;
    std::size_t m_discardRun = 0;
    std::size_t m_sessionReads = 0;
    std::vector<SHidCall> m_log;
};
