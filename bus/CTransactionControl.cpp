// SPDX-License-Identifier: MIT
#include "CTransactionControl.h"

#include <utility>

CTransactionControl::CTransactionControl(ProgressCallback progress,
                                         const CTransactionControl *parent)
    : m_progress(std::move(progress))
    , m_parent(parent)
{}

void CTransactionControl::ReportProgress(std::uint64_t done, std::uint64_t total) const
{
    if (m_progress)
        m_progress(done, total);
}
