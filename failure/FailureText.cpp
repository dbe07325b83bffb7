// SPDX-License-Identifier: MIT
#include "FailureText.h"

#include <cerrno>

namespace FailureText {

namespace {

constexpr const char *TEXT_NACK = "NACK received";

} // namespace

const char *Text(EFailureKind kind)
{
    switch (kind) {
    case EFailureKind::AddressNack:
    case EFailureKind::DataNack:
        return TEXT_NACK;
    case EFailureKind::Timeout:
        return "Timeout";
    case EFailureKind::Cancelled:
        return "Cancelled";
    case EFailureKind::AdapterGone:
        return "Not connected";
    case EFailureKind::ArbitrationLost:
        return "Arbitration lost";
    case EFailureKind::None:
    case EFailureKind::PermissionDenied:
    case EFailureKind::NotSupported:
    case EFailureKind::InvalidArgument:
    case EFailureKind::AdapterError:
    case EFailureKind::FileIo:
    case EFailureKind::Other:
        break;
    }
    return "";
}

int Errno(EFailureKind kind)
{
    switch (kind) {
    case EFailureKind::None:
        return 0;
    case EFailureKind::AddressNack:
        return ENXIO;
    case EFailureKind::DataNack:
        // Not ENXIO, which says that nobody is at the address; bus drivers that can tell the
        // two apart report a refused data byte as a remote I/O error.
        return EREMOTEIO;
    case EFailureKind::Timeout:
        return ETIMEDOUT;
    case EFailureKind::Cancelled:
        return ECANCELED;
    case EFailureKind::AdapterGone:
        return ENODEV;
    case EFailureKind::PermissionDenied:
        return EACCES;
    case EFailureKind::NotSupported:
        return EOPNOTSUPP;
    case EFailureKind::InvalidArgument:
        return EINVAL;
    case EFailureKind::ArbitrationLost:
        return EAGAIN;
    case EFailureKind::AdapterError:
    case EFailureKind::FileIo:
    case EFailureKind::Other:
        break;
    }
    return EIO;
}

SWriteError WriteError(std::uint8_t errorCode)
{
    switch (errorCode) {
    case 0:
        return {EFailureKind::AdapterError, "Error", ""};
    case 1:
        return {EFailureKind::AdapterError, "Wrong number of bytes", "wrong byte count"};
    case 2:
        return {EFailureKind::AdapterError, "Transaction without start", "no start"};
    case 3:
        return {EFailureKind::AddressNack, TEXT_NACK, "NACK"};
    case 4:
        return {EFailureKind::AdapterError, "Bus error", "bus error"};
    default:
        return {EFailureKind::AdapterError, "Unknown error", ""};
    }
}

} // namespace FailureText
