// SPDX-License-Identifier: MIT
#include "CReplyScript.h"

#include "DriverLimits.h"
#include "ScriptedErrorText.h"
#include "SessionFormat.h"

#include <utility>

namespace {

constexpr unsigned char FOREIGN_KINDS = 4;
constexpr unsigned char UNKNOWN_REPORT_ID = 0x07;

} // namespace

void CReplyScript::Reset(CSessionInput *input, bool silentErrors)
{
    *this = CReplyScript();
    m_input = input;
    m_silentErrors = silentErrors;
}

void CReplyScript::BeginCall(unsigned char awaitedId)
{
    m_awaitedId = awaitedId;
    m_sticky.reset();
}

bool CReplyScript::IsUsedUp() const
{
    return m_input == nullptr || m_input->AtEnd();
}

SDelivery CReplyScript::Next(FReportQueue &queue, bool &unplugged)
{
    unplugged = false;
    SDelivery delivery;
    if (m_sticky) {
        delivery.bytes = WholeReply(m_awaitedId, *m_sticky, 0);
        return delivery;
    }
    if (m_input == nullptr || m_input->AtEnd())
        return delivery;

    const std::uint8_t code = m_input->TakeByte();
    const auto parameter = static_cast<unsigned char>(code / REPLY_KIND_COUNT);
    switch (static_cast<EReplyKind>(code % REPLY_KIND_COUNT)) {
    case EReplyKind::Reply: {
        const std::uint8_t status = m_input->TakeByte();
        const auto errorCode = static_cast<unsigned char>(parameter & 0x07);
        delivery.bytes = WholeReply(m_awaitedId, status, errorCode);
        for (int copy = 0; copy < (parameter >> 3); ++copy)
            queue.push_back(WholeReply(m_awaitedId, status, errorCode));
        break;
    }
    case EReplyKind::Raw: {
        const std::size_t size = m_input->TakeByte() % (REPORT_SIZE + 1);
        for (std::size_t i = 0; i < size; ++i)
            delivery.bytes.push_back(m_input->TakeByte());
        break;
    }
    case EReplyKind::Timeout:
        break;
    case EReplyKind::ReadError:
        delivery = Failure(L"scripted: read failed", parameter);
        break;
    case EReplyKind::Burst: {
        const std::size_t count = (m_input->TakeByte() + 1U) * BURST_UNIT;
        for (std::size_t i = 0; i < count; ++i) {
            const auto kind = static_cast<unsigned char>(
                parameter < FOREIGN_KINDS ? parameter : (parameter + i) % FOREIGN_KINDS);
            queue.push_back(ForeignReport(kind));
        }
        delivery.bytes = std::move(queue.front());
        queue.pop_front();
        break;
    }
    case EReplyKind::Unplug:
        unplugged = true;
        delivery = Failure(L"scripted: device unplugged", parameter);
        break;
    case EReplyKind::Sticky:
        m_sticky = m_input->TakeByte();
        delivery.bytes = WholeReply(m_awaitedId, *m_sticky, 0);
        break;
    case EReplyKind::Partial:
        delivery.bytes = WholeReply(m_awaitedId, m_input->TakeByte(), 0);
        delivery.bytes.resize(3U + parameter);
        break;
    }
    return delivery;
}

SDelivery CReplyScript::Failure(const wchar_t *what, unsigned char choice)
{
    SDelivery delivery;
    delivery.failed = true;
    if (!m_silentErrors) {
        SScriptedErrorText text = MakeErrorText(what, ++m_errorCount, choice);
        delivery.errorText = std::move(text.wide);
        delivery.errorUtf8 = std::move(text.utf8);
    }
    return delivery;
}

std::vector<unsigned char> CReplyScript::WholeReply(unsigned char id, unsigned char status,
                                                    unsigned char errorCode)
{
    std::vector<unsigned char> reply(REPORT_SIZE, 0);
    reply[0] = id;
    reply[1] = status;
    if (id == 0x02) {
        reply[2] = errorCode;
    } else {
        for (std::size_t i = 2; i < REPORT_SIZE; ++i)
            reply[i] = m_dataCounter++;
    }
    return reply;
}

std::vector<unsigned char> CReplyScript::ForeignReport(unsigned char kind) const
{
    switch (kind) {
    case 0: {
        // A whole report of the other transaction.
        std::vector<unsigned char> report(REPORT_SIZE, 0);
        report[0] = m_awaitedId == 0x02 ? 0x03 : 0x02;
        report[1] = 0x80;
        report[2] = 0x03;
        return report;
    }
    case 1:
        return {m_awaitedId, 0x3E};
    case 2:
        return {m_awaitedId};
    default: {
        std::vector<unsigned char> report(REPORT_SIZE, 0xA5);
        report[0] = UNKNOWN_REPORT_ID;
        return report;
    }
    }
}
