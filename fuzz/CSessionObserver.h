// SPDX-License-Identifier: MIT
#pragma once

#include "CVtlTransferObserver.h"
#include "ScriptedHid.h"

// A transfer observer that logs its calls in line with the library calls and asks to
// stop at the poll the script names, or as soon as the script is used up: from then on
// an adapter would never answer, and only a cancel ends an observed wait in no time.
class CSessionObserver : public CVtlTransferObserver
{
public:
    CSessionObserver(CScriptedHid &hid, int cancelAtPoll);

    // Starts counting polls afresh for the next host call.
    void BeginCall();

    void OnProgress(std::size_t done, std::size_t total) override;
    bool IsCancelRequested() const override;

private:
    CScriptedHid &m_hid;
    int m_cancelAtPoll;
    mutable int m_polls = 0;
};
