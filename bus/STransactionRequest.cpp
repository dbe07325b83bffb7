// SPDX-License-Identifier: MIT
#include "STransactionRequest.h"

#include <utility>

STransactionRequest STransactionRequest::Write(std::uint8_t address,
                                               std::vector<unsigned char> data, bool start,
                                               bool stop)
{
    STransactionRequest request;
    request.kind = ETransactionKind::Write;
    request.address = address;
    request.data = std::move(data);
    request.start = start;
    request.stop = stop;
    return request;
}

STransactionRequest STransactionRequest::Read(std::uint8_t address, std::size_t count)
{
    STransactionRequest request;
    request.kind = ETransactionKind::Read;
    request.address = address;
    request.count = count;
    return request;
}

STransactionRequest STransactionRequest::WriteRead(std::uint8_t address,
                                                   std::vector<unsigned char> data,
                                                   std::size_t count)
{
    STransactionRequest request;
    request.kind = ETransactionKind::WriteRead;
    request.address = address;
    request.data = std::move(data);
    request.count = count;
    request.stop = false;
    return request;
}

STransactionRequest STransactionRequest::Search(std::uint8_t firstAddress, std::uint8_t lastAddress)
{
    STransactionRequest request;
    request.kind = ETransactionKind::Search;
    request.firstAddress = firstAddress;
    request.lastAddress = lastAddress;
    return request;
}

std::vector<unsigned char> STransactionRequest::WireBytes() const
{
    const bool addressFirst = kind == ETransactionKind::WriteRead || start;
    std::vector<unsigned char> bytes;
    bytes.reserve(data.size() + 1);
    if (addressFirst)
        bytes.push_back(static_cast<unsigned char>(address << 1));
    bytes.insert(bytes.end(), data.begin(), data.end());
    return bytes;
}

std::size_t STransactionRequest::ProgressTotal() const
{
    switch (kind) {
    case ETransactionKind::Write:
        return WireBytes().size();
    case ETransactionKind::Read:
        return count;
    case ETransactionKind::WriteRead:
        return data.size() + 1 + count;
    case ETransactionKind::Search:
        return lastAddress >= firstAddress ? std::size_t(lastAddress - firstAddress) + 1 : 0;
    }
    return 0;
}
