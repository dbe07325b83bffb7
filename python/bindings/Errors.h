// SPDX-License-Identifier: MIT
#pragma once

#include "EFailureKind.h"
#include "SSmbusRequest.h"
#include "STransactionRecord.h"

#include <cstdint>
#include <stdexcept>
#include <string>

// A failure on its way to Python: raised there as OSError(errno, message), or with a line
// as vtl_i2c.SequenceError.
class CPyOsError : public std::runtime_error
{
public:
    CPyOsError(int errnum, const std::string &message, int line = 0)
        : std::runtime_error(message)
        , m_errno(errnum)
        , m_line(line)
    {}
    int Errno() const { return m_errno; }
    // The sequence line at fault; 0 for anything else.
    int Line() const { return m_line; }

private:
    int m_errno;
    int m_line;
};

namespace PyErrors {

// "what: no device answers at 0x48 (NACK received)" and the like, for a failed record.
std::string Describe(const std::string &what, const STransactionRecord &record);
std::string Describe(const std::string &what, EFailureKind kind, std::uint8_t address,
                     const std::string &driverText);
[[noreturn]] void Raise(const std::string &what, const STransactionRecord &record);
[[noreturn]] void Raise(const std::string &what, EFailureKind kind, std::uint8_t address,
                        const std::string &driverText);
// The errno an i2c-dev program sees for an SMBus fault; `kind` of the transaction that
// failed tells the two kinds of NACK apart.
int SmbusErrno(ESmbusFault fault, EFailureKind kind);

} // namespace PyErrors
