#pragma once

#include "CSimSlave.h"

#include <array>
#include <cstddef>
#include <vector>

// A 256-byte serial EEPROM of the 24C02 kind. The first byte of a write sets the address
// pointer; further bytes fill an 8-byte page buffer, rolling over within the page, and
// are committed by the stop condition (a repeated start discards them, as on the chip).
// Reads start at the pointer and wrap from 0xFF to 0x00. Blank cells read 0xFF.
class CSimEeprom : public CSimSlave
{
public:
    static constexpr std::size_t SIZE = 256;
    static constexpr std::size_t PAGE_SIZE = 8;

    CSimEeprom();

    std::vector<unsigned char> GetContents() const;
    void SetContents(std::size_t offset, const std::vector<unsigned char> &bytes);
    std::uint8_t GetAddressPointer() const;

    bool OnStart(bool read) override;
    bool OnWrite(std::uint8_t byte) override;
    std::uint8_t OnRead() override;
    void OnStop() override;

private:
    std::array<unsigned char, SIZE> m_memory{};
    std::array<unsigned char, PAGE_SIZE> m_page{};
    std::array<bool, PAGE_SIZE> m_pageDirty{};
    std::uint8_t m_pointer = 0;
    bool m_expectWordAddress = false;
};
