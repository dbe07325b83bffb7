// SPDX-License-Identifier: MIT
#pragma once

#include "CSimSlave.h"
#include "SimReply.h"
#include "SimTypes.h"

#include <cstddef>
#include <map>
#include <memory>
#include <vector>

// The adapter's side of the special-mode protocol: takes the 64-byte output reports of
// the special-mode interface, drives the slaves on the bus and returns the input reports
// that answer them. Beyond the report tables it behaves as follows. Enable report: byte 1
// = 1 switches the I2C function on, 0 off, other values are ignored; the speed code is
// flags bits 2..0 and bit 7 switches the pull-ups off on model B; a speed code the model
// lacks leaves the function off; every enable report ends an open transaction. While the
// function is off, write and read requests get no reply. After a NACK the adapter sends
// a stop, so the transaction is over. A write whose address byte has the read bit set
// addresses the slave for reading and refuses further data bytes (error code 3). A read
// request ignores the read bit of its address byte and always reads; a read of 0 bytes
// (models A and C) is answered by one reply with status 0x80 without touching the bus.
// The slaves see the whole request at once; the bus bits of each reply tell when it would
// be complete on the wire (CSimBusClock turns them into time).
class CSimFirmware
{
public:
    struct SResponse
    {
        std::vector<SSimReply> replies;
        std::uint64_t busBits = 0; // how long the request keeps the bus, stop included
        bool reconfigured = false; // an enable or disable report
    };

    explicit CSimFirmware(ESimModel model);

    SResponse HandleReport(const std::vector<unsigned char> &report);

    void AddSlave(std::uint8_t address, std::shared_ptr<CSimSlave> slave);
    void RemoveSlave(std::uint8_t address);
    std::shared_ptr<CSimSlave> GetSlave(std::uint8_t address) const;
    void SetReadChunkSize(std::size_t bytes);

    // Ends an open transaction without a stop, as a failure on the bus does.
    void AbortTransaction();
    // Power returns after a replug: function off, no transaction, slaves reset.
    void PowerUp();

    bool IsEnabled() const { return m_enabled; }
    std::uint8_t GetSpeedCode() const { return m_speedCode; }
    bool GetPullUpsEnabled() const { return m_pullUpsEnabled; }
    bool IsTransactionOpen() const { return m_transactionOpen; }

private:
    bool HandleEnable(const std::vector<unsigned char> &report);
    SSimReply HandleWrite(const std::vector<unsigned char> &report);
    std::vector<SSimReply> HandleRead(const std::vector<unsigned char> &report);
    SSimReply Reply(std::vector<unsigned char> report) const { return {std::move(report), m_bits}; }
    bool Start(std::uint8_t addressByte);
    void Stop();
    bool IsSpeedSupported(std::uint8_t code) const;

    ESimModel m_model;
    std::map<std::uint8_t, std::shared_ptr<CSimSlave>> m_slaves;
    std::size_t m_chunkSize = SIM_MAX_CHUNK;
    bool m_enabled = false;
    std::uint8_t m_speedCode = 0;
    bool m_pullUpsEnabled = true;
    bool m_transactionOpen = false;
    bool m_reading = false;
    CSimSlave *m_current = nullptr;
    std::uint64_t m_bits = 0; // bus bits of the request being handled
};
