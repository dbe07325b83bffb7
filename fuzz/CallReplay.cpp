#include "CallReplay.h"

#include "DriverLimits.h"
#include "FuzzCheck.h"

#include <algorithm>
#include <utility>

namespace {

const char *CallName(EHidCall call)
{
    switch (call) {
    case EHidCall::Enumerate:
        return "an enumeration";
    case EHidCall::Open:
        return "an open";
    case EHidCall::Close:
        return "a close";
    case EHidCall::Write:
        return "a report write";
    case EHidCall::FlushRead:
        return "a flush read (time-out 0)";
    case EHidCall::AwaitedRead:
        return "a read that waits for a reply";
    }
    return "an unknown call";
}

} // namespace

SOutcome Succeeded()
{
    return SOutcome{};
}

SOutcome Failed(std::string text)
{
    return SOutcome{false, std::move(text)};
}

CCallReplay::CCallReplay(const std::vector<SHidCall> &calls, std::string hostCall)
    : m_calls(calls)
    , m_hostCall(std::move(hostCall))
{}

const SHidCall &CCallReplay::Expect(EHidCall call, const std::string &what)
{
    if (m_next >= m_calls.size())
        Fail("ended after " + std::to_string(m_next) + " library calls, before " + what);
    const SHidCall &actual = m_calls[m_next];
    if (actual.call != call)
        Fail(std::string("made ") + CallName(actual.call) + " as library call " +
             std::to_string(m_next + 1) + ", expected " + what);
    ++m_next;
    return actual;
}

void CCallReplay::ExpectEnd() const
{
    if (m_next < m_calls.size())
        Fail(std::string("went on with ") + CallName(m_calls[m_next].call) + " (library call " +
             std::to_string(m_next + 1) + " of " + std::to_string(m_calls.size()) +
             ") after it should have ended");
}

void CCallReplay::Fail(const std::string &what) const
{
    FuzzFail(m_hostCall + ": " + what);
}

SOutcome LibraryFailure(const SHidCall &call)
{
    if (call.call == EHidCall::Write && call.result >= 0)
        return Failed(std::string()); // a short write: the transport words it itself
    if (call.result == 0 && call.call != EHidCall::Open)
        return Failed("Timeout");
    return Failed(call.errorUtf8);
}

void ReplayFlush(CCallReplay &replay, const SCallState &state)
{
    if (!state.connected)
        return;
    const std::size_t queued = state.queued;
    const std::size_t reads = state.dead ? 1 : std::min(queued + 1, MAX_FLUSHED_REPORTS);
    for (std::size_t i = 0; i < reads; ++i)
        replay.Expect(EHidCall::FlushRead, "flush read " + std::to_string(i + 1) + " of " +
                                               std::to_string(reads) + " (" +
                                               std::to_string(queued) + " reports queued)");
}

bool ReplaySend(CCallReplay &replay, const std::vector<unsigned char> &report,
                const std::string &what, SOutcome &outcome)
{
    const SHidCall &write = replay.Expect(EHidCall::Write, what);
    if (write.bytes != report)
        replay.Fail("sent a different " + what);
    if (write.result == static_cast<int>(report.size()))
        return true;
    outcome = LibraryFailure(write);
    return false;
}

bool ReplayWait(CCallReplay &replay, unsigned char reportId, std::vector<unsigned char> &reply,
                SOutcome &outcome)
{
    for (std::size_t discarded = 0; discarded < MAX_READS_PER_WAIT; ++discarded) {
        const SHidCall &read = replay.Expect(EHidCall::AwaitedRead, "a read for the reply");
        if (read.result <= 0) {
            outcome = LibraryFailure(read);
            return false;
        }
        if (read.bytes.size() <= 2 || read.bytes[0] != reportId)
            continue;
        reply = read.bytes;
        reply.resize(REPORT_SIZE, 0);
        return true;
    }
    outcome = Failed("Timeout");
    return false;
}
