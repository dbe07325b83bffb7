// SPDX-License-Identifier: MIT
#include "CTransactionControl.h"

#include <utility>

CTransactionControl::CTransactionControl(ProgressCallback progress)
    : m_progress(std::move(progress))
{}

void CTransactionControl::ReportProgress(std::uint64_t done, std::uint64_t total) const
{
    if (m_progress)
        m_progress(done, total);
}
