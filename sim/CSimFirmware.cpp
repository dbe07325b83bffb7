// SPDX-License-Identifier: MIT
#include "CSimFirmware.h"

#include <algorithm>

namespace {

constexpr std::uint8_t WRITE_START = 0x80;
constexpr std::uint8_t WRITE_STOP = 0x40;
constexpr std::uint8_t WRITE_COUNT_BITS = 0x3F;
constexpr std::uint8_t SPEED_CODE_BITS = 0x07;
constexpr std::uint8_t PULL_UPS_OFF = 0x80;
constexpr std::uint8_t STATUS_ERROR = 0x80;
constexpr std::uint8_t ERROR_WRONG_COUNT = 1;
constexpr std::uint8_t ERROR_NO_START = 2;
constexpr std::uint8_t ERROR_NACK = 3;
constexpr std::uint64_t START_BITS = 1;
constexpr std::uint64_t STOP_BITS = 1;
constexpr std::uint64_t BYTE_BITS = 9; // eight data bits and the acknowledge

std::vector<unsigned char> MakeReply(std::uint8_t reportId, std::uint8_t status,
                                     std::uint8_t byte2 = 0)
{
    std::vector<unsigned char> reply(SIM_REPORT_SIZE, 0);
    reply[0] = reportId;
    reply[1] = status;
    reply[2] = byte2;
    return reply;
}

std::vector<unsigned char> WriteError(std::uint8_t code)
{
    return MakeReply(SIM_REPORT_WRITE, STATUS_ERROR, code);
}

} // namespace

CSimFirmware::CSimFirmware(ESimModel model)
    : m_model(model)
{}

CSimFirmware::SResponse CSimFirmware::HandleReport(const std::vector<unsigned char> &report)
{
    SResponse response;
    if (report.size() < SIM_REPORT_SIZE)
        return response;
    m_bits = 0;
    switch (report[0]) {
    case SIM_REPORT_ENABLE:
        response.reconfigured = HandleEnable(report);
        return response;
    case SIM_REPORT_WRITE:
        if (!m_enabled)
            return response;
        response.replies.push_back(HandleWrite(report));
        break;
    case SIM_REPORT_READ:
        if (!m_enabled)
            return response;
        response.replies = HandleRead(report);
        break;
    default:
        return response;
    }
    response.busBits = m_bits;
    return response;
}

void CSimFirmware::AddSlave(std::uint8_t address, std::shared_ptr<CSimSlave> slave)
{
    if (m_slaves.count(address) != 0 && m_current == m_slaves[address].get())
        AbortTransaction();
    m_slaves[address] = std::move(slave);
}

void CSimFirmware::RemoveSlave(std::uint8_t address)
{
    const auto it = m_slaves.find(address);
    if (it == m_slaves.end())
        return;
    if (m_current == it->second.get())
        AbortTransaction();
    m_slaves.erase(it);
}

std::shared_ptr<CSimSlave> CSimFirmware::GetSlave(std::uint8_t address) const
{
    const auto it = m_slaves.find(address);
    return it != m_slaves.end() ? it->second : nullptr;
}

void CSimFirmware::SetReadChunkSize(std::size_t bytes)
{
    m_chunkSize = std::clamp<std::size_t>(bytes, 1, SIM_MAX_CHUNK);
}

void CSimFirmware::AbortTransaction()
{
    m_current = nullptr;
    m_transactionOpen = false;
    m_reading = false;
}

void CSimFirmware::PowerUp()
{
    AbortTransaction();
    m_enabled = false;
    m_speedCode = 0;
    m_pullUpsEnabled = true;
    for (auto &[address, slave] : m_slaves)
        slave->OnPowerUp();
}

bool CSimFirmware::HandleEnable(const std::vector<unsigned char> &report)
{
    if (report[1] > 1)
        return false;
    if (m_transactionOpen)
        Stop();
    if (report[1] == 0) {
        m_enabled = false;
        return true;
    }
    const std::uint8_t flags = report[2];
    const auto code = static_cast<std::uint8_t>(flags & SPEED_CODE_BITS);
    m_enabled = IsSpeedSupported(code);
    if (!m_enabled)
        return true;
    m_speedCode = code;
    m_pullUpsEnabled = m_model != ESimModel::B || (flags & PULL_UPS_OFF) == 0;
    return true;
}

SSimReply CSimFirmware::HandleWrite(const std::vector<unsigned char> &report)
{
    const std::uint8_t flags = report[1];
    const std::size_t count = flags & WRITE_COUNT_BITS;
    if (count == 0 || count > SIM_MAX_CHUNK)
        return Reply(WriteError(ERROR_WRONG_COUNT));
    const bool start = (flags & WRITE_START) != 0;
    if (!start && !m_transactionOpen)
        return Reply(WriteError(ERROR_NO_START));

    std::size_t next = 2;
    if (start && !Start(report[next++])) {
        SSimReply reply = Reply(WriteError(ERROR_NACK));
        Stop();
        return reply;
    }
    for (; next < 2 + count; ++next) {
        m_bits += BYTE_BITS;
        if (m_reading || !m_current->OnWrite(report[next])) {
            SSimReply reply = Reply(WriteError(ERROR_NACK));
            Stop();
            return reply;
        }
    }
    SSimReply reply = Reply(MakeReply(SIM_REPORT_WRITE, 0));
    if ((flags & WRITE_STOP) != 0)
        Stop();
    return reply;
}

std::vector<SSimReply> CSimFirmware::HandleRead(const std::vector<unsigned char> &report)
{
    std::size_t count = 0;
    if (m_model == ESimModel::B)
        count = report[1] == 0 ? 256 : report[1];
    else
        count = static_cast<std::size_t>(report[1]) | static_cast<std::size_t>(report[3]) << 8;
    if (count == 0)
        return {Reply(MakeReply(SIM_REPORT_READ, STATUS_ERROR))};
    if (!Start(static_cast<std::uint8_t>(report[2] | 1))) {
        SSimReply reply = Reply(MakeReply(SIM_REPORT_READ, STATUS_ERROR));
        Stop();
        return {reply};
    }

    std::vector<SSimReply> replies;
    replies.reserve((count + m_chunkSize - 1) / m_chunkSize);
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(m_chunkSize, count - done);
        std::vector<unsigned char> reply = MakeReply(SIM_REPORT_READ, static_cast<std::uint8_t>(n));
        for (std::size_t i = 0; i < n; ++i)
            reply[2 + i] = m_current->OnRead();
        m_bits += BYTE_BITS * n;
        replies.push_back(Reply(std::move(reply)));
        done += n;
    }
    Stop();
    return replies;
}

bool CSimFirmware::Start(std::uint8_t addressByte)
{
    // A start while a transaction is open is a repeated start: no stop reaches the slave.
    m_current = nullptr;
    m_transactionOpen = false;
    m_reading = (addressByte & 1) != 0;
    m_bits += START_BITS + BYTE_BITS;
    const auto it = m_slaves.find(static_cast<std::uint8_t>(addressByte >> 1));
    if (it == m_slaves.end() || !it->second->OnStart(m_reading)) {
        m_reading = false;
        return false;
    }
    m_current = it->second.get();
    m_transactionOpen = true;
    return true;
}

void CSimFirmware::Stop()
{
    if (m_current != nullptr)
        m_current->OnStop();
    AbortTransaction();
    m_bits += STOP_BITS;
}

bool CSimFirmware::IsSpeedSupported(std::uint8_t code) const
{
    return code <= (m_model == ESimModel::B ? 2 : 4);
}
