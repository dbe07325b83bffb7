// SPDX-License-Identifier: MIT
#pragma once

#include "SessionInput.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

using FReportQueue = std::deque<std::vector<unsigned char>>;

// What one read or write of the scripted library hands back.
struct SDelivery
{
    std::vector<unsigned char> bytes;
    bool failed = false;
    std::wstring errorText;
    std::string errorUtf8;
};

// The scripted adapter's side of a wait: decodes the next reply kind of the session's
// input (see SessionFormat.h) into what the library delivers, and the reports that the
// adapter queues behind it.
class CReplyScript
{
public:
    void Reset(CSessionInput *input, bool silentErrors);
    // Replies of the following waits carry this report ID; a sticky reply ends here.
    void BeginCall(unsigned char awaitedId);
    bool IsUsedUp() const;

    // What one wait gets. `unplugged` is set when the script pulls the cable.
    SDelivery Next(FReportQueue &queue, bool &unplugged);
    // A failed library call, with a text of its own unless the library gives none.
    SDelivery Failure(const wchar_t *what, unsigned char choice);
    // A whole 64-byte reply: the write error code, or read data from a running counter.
    std::vector<unsigned char> WholeReply(unsigned char id, unsigned char status,
                                          unsigned char errorCode);

private:
    std::vector<unsigned char> ForeignReport(unsigned char kind) const;

    CSessionInput *m_input = nullptr;
    bool m_silentErrors = false;
    int m_errorCount = 0;
    unsigned char m_dataCounter = 0;
    unsigned char m_awaitedId = 0;
    std::optional<unsigned char> m_sticky;
};
