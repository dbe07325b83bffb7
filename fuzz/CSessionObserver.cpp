// SPDX-License-Identifier: MIT
#include "CSessionObserver.h"

CSessionObserver::CSessionObserver(CScriptedHid &hid, int cancelAtPoll)
    : m_hid(hid)
    , m_cancelAtPoll(cancelAtPoll)
{}

void CSessionObserver::BeginCall()
{
    m_polls = 0;
}

void CSessionObserver::OnProgress(std::size_t done, std::size_t total)
{
    SHidCall call;
    call.call = EHidCall::Progress;
    call.done = done;
    call.total = total;
    m_hid.Record(std::move(call));
}

bool CSessionObserver::IsCancelRequested() const
{
    ++m_polls;
    const bool cancel = m_polls == m_cancelAtPoll || m_hid.IsScriptExhausted();
    SHidCall call;
    call.call = EHidCall::CancelPoll;
    call.result = cancel ? 1 : 0;
    m_hid.Record(std::move(call));
    return cancel;
}
