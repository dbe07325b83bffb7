// SPDX-License-Identifier: MIT
#include "CallReplay.h"

#include "DriverLimits.h"
#include "FailureText.h"
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
    case EHidCall::CancelPoll:
        return "a poll of the observer";
    case EHidCall::Progress:
        return "a progress report";
    }
    return "an unknown call";
}

} // namespace

SOutcome Succeeded()
{
    return SOutcome{};
}

SOutcome Failed(EFailureKind kind, std::string text)
{
    return SOutcome{false, std::move(text), kind};
}

SOutcome Failed(EFailureKind kind)
{
    return Failed(kind, FailureText::Text(kind));
}

CCallReplay::CCallReplay(const std::vector<SHidCall> &calls, std::string hostCall)
    : m_calls(calls)
    , m_hostCall(std::move(hostCall))
{}

const SHidCall &CCallReplay::Expect(EHidCall call, std::string_view what)
{
    if (m_next >= m_calls.size())
        Fail("ended after " + std::to_string(m_next) + " library calls, before " +
             std::string(what));
    const SHidCall &actual = m_calls[m_next];
    if (actual.call != call)
        Fail(std::string("made ") + CallName(actual.call) + " as library call " +
             std::to_string(m_next + 1) + ", expected " + std::string(what));
    ++m_next;
    return actual;
}

bool CCallReplay::NextIs(EHidCall call) const
{
    return m_next < m_calls.size() && m_calls[m_next].call == call;
}

std::size_t CCallReplay::GetPosition() const
{
    return m_next;
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
        return Failed(EFailureKind::Other, std::string()); // the transport words it itself
    if (call.result == 0 && call.call != EHidCall::Open)
        return Failed(EFailureKind::Timeout);
    return SOutcome{false, call.errorUtf8, std::nullopt};
}

void ReplayFlush(CCallReplay &replay, const SCallState &state)
{
    if (!state.connected)
        return;
    const std::size_t reads = state.dead ? 1 : std::min(state.queued + 1, MAX_FLUSHED_REPORTS);
    std::size_t made = 0;
    while (made < reads && replay.NextIs(EHidCall::FlushRead)) {
        replay.Expect(EHidCall::FlushRead, "a flush read");
        ++made;
    }
    if (made != reads || replay.NextIs(EHidCall::FlushRead))
        replay.Fail("emptied the input queue in " + std::to_string(made) + "+ reads, expected " +
                    std::to_string(reads) + " (" + std::to_string(state.queued) +
                    " reports queued" + (state.dead ? ", device unplugged)" : ")"));
}

bool ReplaySend(CCallReplay &replay, const std::vector<unsigned char> &report,
                std::string_view what, SOutcome &outcome)
{
    const SHidCall &write = replay.Expect(EHidCall::Write, what);
    if (write.bytes != report)
        replay.Fail("sent a different " + std::string(what) + " as library call " +
                    std::to_string(replay.GetPosition()));
    if (write.result == static_cast<int>(report.size()))
        return true;
    outcome = LibraryFailure(write);
    return false;
}

bool ReplayWait(CCallReplay &replay, const SCallState &state, unsigned char reportId,
                std::vector<unsigned char> &reply, SOutcome &outcome, bool &cancelled)
{
    cancelled = false;
    std::size_t discarded = 0;
    while (discarded < MAX_READS_PER_WAIT) {
        const SHidCall &read = replay.Expect(EHidCall::AwaitedRead, "a read for the reply");
        if (read.result == 0 && state.observed) {
            if (ReplayPoll(replay, state, "a poll of the observer after an empty wait")) {
                cancelled = true;
                outcome = Failed(EFailureKind::Cancelled);
                return false;
            }
            continue;
        }
        if (read.result <= 0) {
            outcome = LibraryFailure(read);
            return false;
        }
        if (read.bytes.size() <= 2 || read.bytes[0] != reportId) {
            ++discarded;
            continue;
        }
        reply = read.bytes;
        reply.resize(REPORT_SIZE, 0);
        return true;
    }
    outcome = Failed(EFailureKind::Timeout);
    return false;
}

bool ReplayPoll(CCallReplay &replay, const SCallState &state, std::string_view what)
{
    if (!state.observed)
        return false;
    return replay.Expect(EHidCall::CancelPoll, what).result != 0;
}

void ReplayProgress(CCallReplay &replay, const SCallState &state, std::size_t done,
                    std::size_t total)
{
    if (!state.observed)
        return;
    const SHidCall &progress = replay.Expect(EHidCall::Progress, "a progress report");
    if (progress.done != done || progress.total != total)
        replay.Fail("reported progress " + std::to_string(progress.done) + " of " +
                    std::to_string(progress.total) + ", expected " + std::to_string(done) + " of " +
                    std::to_string(total));
}
