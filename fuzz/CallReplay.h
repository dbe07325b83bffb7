// SPDX-License-Identifier: MIT
#pragma once

#include "EFailureKind.h"
#include "ModelTraits.h"
#include "ScriptedHid.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a driver call should have returned, worked out from the library calls it made.
struct SOutcome
{
    bool ok = true;
    // The text a failure must leave; empty when any non-empty text will do, because the
    // library itself gave none.
    std::string error;
    // The kind a failure must leave; none where it follows the system's errno.
    std::optional<EFailureKind> kind;
};

// What the harness knew before a host call.
struct SCallState
{
    const SModelTraits *traits = nullptr;
    bool connected = false;
    // The driver's handle belongs to an adapter that has been unplugged since.
    bool dead = false;
    std::size_t queued = 0;
    // A transfer observer is installed.
    bool observed = false;
    // The speed and pull-up setting in force, which a cancelled transfer sends again.
    std::uint8_t speed = 0;
    bool pullUps = true;
};

SOutcome Succeeded();
SOutcome Failed(EFailureKind kind, std::string text);
// A kind with its one fixed text.
SOutcome Failed(EFailureKind kind);

// Walks the library calls of one host call in the order the driver should make them,
// and aborts with the host call's name where the driver did something else.
class CCallReplay
{
public:
    CCallReplay(const std::vector<SHidCall> &calls, std::string hostCall);

    const SHidCall &Expect(EHidCall call, std::string_view what);
    bool NextIs(EHidCall call) const;
    // How many library calls have been walked.
    std::size_t GetPosition() const;
    void ExpectEnd() const;
    [[noreturn]] void Fail(const std::string &what) const;

private:
    const std::vector<SHidCall> &m_calls;
    std::string m_hostCall;
    std::size_t m_next = 0;
};

// The outcome of a failed library call as the transport reports it.
SOutcome LibraryFailure(const SHidCall &call);

// The flush before a transaction: reads with time-out 0 until one fails, at most the
// driver's bound. `queued` reports were waiting; a dead handle fails the first read.
void ReplayFlush(CCallReplay &replay, const SCallState &state);

// Sends `report`: true when the library took all of it, else false with the failure.
bool ReplaySend(CCallReplay &replay, const std::vector<unsigned char> &report,
                std::string_view what, SOutcome &outcome);

// One wait for a reply with `reportId`: foreign and short reports are dropped, up to the
// driver's bound. True with the reply padded to a whole report, else false with the failure.
// With an observer, a wait that brings nothing asks it whether to stop and goes on unless
// it says so; `cancelled` then tells that it did.
bool ReplayWait(CCallReplay &replay, const SCallState &state, unsigned char reportId,
                std::vector<unsigned char> &reply, SOutcome &outcome, bool &cancelled);

// A poll of the observer where the driver must ask one: true when it asked to stop.
bool ReplayPoll(CCallReplay &replay, const SCallState &state, std::string_view what);

// The progress report after a chunk or reply, when an observer is installed.
void ReplayProgress(CCallReplay &replay, const SCallState &state, std::size_t done,
                    std::size_t total);
