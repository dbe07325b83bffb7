// SPDX-License-Identifier: MIT
#pragma once

#include "CI2cDevBus.h"

#include <cstddef>
#include <cstdint>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>

// One open file of an i2c-dev node: its slave address and switches, and the answer to
// each request made on it, as the kernel's i2c-dev gives them for an adapter that can do
// what this model can. Every answer is 0 or a count on success and a negative errno on
// failure; a request the model cannot carry fails with -EOPNOTSUPP before anything is
// sent. The caller has the request's memory in this process already.
class CI2cDevFile
{
public:
    // i2c-dev's bound on one message and on one read() or write().
    static constexpr std::size_t MAX_MESSAGE_BYTES = 8192;

    explicit CI2cDevFile(CI2cDevBus &bus)
        : m_bus(bus)
    {}

    // The requests whose argument is a number: I2C_SLAVE, I2C_SLAVE_FORCE, I2C_TENBIT,
    // I2C_PEC, I2C_RETRIES and I2C_TIMEOUT; -ENOTTY for any other.
    int Control(unsigned int request, unsigned long argument);
    // I2C_FUNCS.
    unsigned long Functions() const { return m_bus.Functions(); }
    // I2C_SMBUS; `data` may be null for the quick command and a byte write, which carry
    // none.
    int Smbus(std::uint8_t readWrite, std::uint8_t command, std::uint32_t size,
              i2c_smbus_data *data);
    // I2C_RDWR: the messages as one combined transaction, repeated starts between them
    // and one stop at the end; the number of messages on success. Read messages are
    // filled in place.
    int Transfer(i2c_msg *messages, std::size_t count);
    // read() and write() on the file: one plain transfer with the current slave.
    long Read(unsigned char *buffer, std::size_t count);
    long Write(const unsigned char *buffer, std::size_t count);

    std::uint16_t Slave() const { return m_slave; }
    bool Pec() const { return m_pec; }

private:
    // Runs `body` as one job and again after a lost arbitration, as often as the
    // retries and the timeout allow.
    int Run(const std::function<int(CBusContext &)> &body);

    CI2cDevBus &m_bus;
    std::uint16_t m_slave = 0;
    bool m_pec = false;
    unsigned long m_retries = 0;
    // In units of 10 ms, as i2c-dev counts it.
    unsigned long m_timeout = 100;
};
