// SPDX-License-Identifier: MIT
#include "CSimDisplayController.h"

#include "SimLock.h"

#include <mutex>

namespace {

constexpr std::uint8_t CONTROL_CONTINUATION = 0x80;
constexpr std::uint8_t CONTROL_DATA = 0x40;
constexpr std::uint8_t SET_ADDRESSING = 0x20;
constexpr std::uint8_t SET_COLUMNS = 0x21;
constexpr std::uint8_t SET_PAGES = 0x22;
constexpr std::uint8_t SET_CONTRAST = 0x81;
constexpr std::uint8_t DISPLAY_OFF = 0xAE;
constexpr std::uint8_t DISPLAY_ON = 0xAF;
constexpr std::uint8_t PAGE_START_FIRST = 0xB0;
constexpr std::uint8_t PAGE_START_LAST = 0xB7;
constexpr std::uint8_t LOW_COLUMN_LAST = 0x0F;
constexpr std::uint8_t HIGH_COLUMN_LAST = 0x1F;

// How many argument bytes follow a command byte.
int ArgumentCount(std::uint8_t command)
{
    switch (command) {
    case SET_COLUMNS:
    case SET_PAGES:
    case 0xA3: // vertical scroll area
        return 2;
    case 0x26: // horizontal scroll setup, right and left
    case 0x27:
        return 6;
    case 0x29: // vertical and horizontal scroll setup
    case 0x2A:
        return 5;
    case SET_ADDRESSING:
    case SET_CONTRAST:
    case 0x8D: // charge pump
    case 0xA8: // multiplex ratio
    case 0xD3: // display offset
    case 0xD5: // clock divide ratio
    case 0xD9: // pre-charge period
    case 0xDA: // COM pins
    case 0xDB: // VCOMH deselect level
        return 1;
    default:
        return 0;
    }
}

} // namespace

CSimDisplayController::CSimDisplayController()
{
    Reset();
}

std::vector<std::uint8_t> CSimDisplayController::FrameBuffer()
{
    const std::lock_guard lock(SimMutex());
    return {m_ram.begin(), m_ram.end()};
}

bool CSimDisplayController::IsDisplayOn()
{
    const std::lock_guard lock(SimMutex());
    return m_displayOn;
}

std::uint8_t CSimDisplayController::GetContrast()
{
    const std::lock_guard lock(SimMutex());
    return m_contrast;
}

CSimDisplayController::EAddressing CSimDisplayController::GetAddressing()
{
    const std::lock_guard lock(SimMutex());
    return m_addressing;
}

std::vector<std::uint8_t> CSimDisplayController::GetCommands()
{
    const std::lock_guard lock(SimMutex());
    return m_commands;
}

bool CSimDisplayController::OnStart(bool read)
{
    // A command cut short by a stop or a new start loses its arguments.
    if (!read)
        m_expectControl = true;
    m_argumentsDue = 0;
    return true;
}

bool CSimDisplayController::OnWrite(std::uint8_t byte)
{
    if (m_expectControl) {
        m_continuation = byte & CONTROL_CONTINUATION;
        m_data = byte & CONTROL_DATA;
        m_expectControl = false;
        return true;
    }
    if (m_data)
        Data(byte);
    else if (m_argumentsDue > 0)
        Argument(byte);
    else
        Command(byte);
    m_expectControl = m_continuation;
    return true;
}

std::uint8_t CSimDisplayController::OnRead()
{
    return m_displayOn ? 0x00 : STATUS_DISPLAY_OFF;
}

void CSimDisplayController::OnPowerUp()
{
    Reset();
    m_ram.fill(0);
}

void CSimDisplayController::Reset()
{
    m_addressing = EAddressing::Page;
    m_displayOn = false;
    m_contrast = 0x7F;
    m_column = m_page = 0;
    m_columnStart = m_pageStart = 0;
    m_columnEnd = WIDTH - 1;
    m_pageEnd = PAGES - 1;
    m_argumentsDue = 0;
    m_expectControl = true;
}

void CSimDisplayController::Command(std::uint8_t byte)
{
    m_commands.push_back(byte);
    if (byte <= LOW_COLUMN_LAST) {
        m_column = (m_column & 0xF0) | byte;
    } else if (byte <= HIGH_COLUMN_LAST) {
        m_column = ((byte & 0x07) << 4) | (m_column & 0x0F);
    } else if (byte >= PAGE_START_FIRST && byte <= PAGE_START_LAST) {
        m_page = byte - PAGE_START_FIRST;
    } else if (byte == DISPLAY_OFF || byte == DISPLAY_ON) {
        m_displayOn = byte == DISPLAY_ON;
    }
    m_pending = byte;
    m_argumentsDue = ArgumentCount(byte);
    m_arguments.clear();
}

void CSimDisplayController::Argument(std::uint8_t byte)
{
    m_arguments.push_back(byte);
    if (--m_argumentsDue > 0)
        return;
    switch (m_pending) {
    case SET_ADDRESSING:
        // The fourth value is invalid and leaves the mode as it was.
        if ((byte & 0x03) != 0x03)
            m_addressing = EAddressing(byte & 0x03);
        break;
    case SET_COLUMNS:
        m_columnStart = m_arguments[0] & 0x7F;
        m_columnEnd = m_arguments[1] & 0x7F;
        m_column = m_columnStart;
        break;
    case SET_PAGES:
        m_pageStart = m_arguments[0] & 0x07;
        m_pageEnd = m_arguments[1] & 0x07;
        m_page = m_pageStart;
        break;
    case SET_CONTRAST:
        m_contrast = byte;
        break;
    default:
        break;
    }
}

void CSimDisplayController::Data(std::uint8_t byte)
{
    m_ram[std::size_t(m_page * WIDTH + m_column)] = byte;
    switch (m_addressing) {
    case EAddressing::Page:
        m_column = m_column >= WIDTH - 1 ? m_columnStart : m_column + 1;
        break;
    case EAddressing::Horizontal:
        if (m_column < m_columnEnd) {
            ++m_column;
            break;
        }
        m_column = m_columnStart;
        m_page = m_page >= m_pageEnd ? m_pageStart : m_page + 1;
        break;
    case EAddressing::Vertical:
        if (m_page < m_pageEnd) {
            ++m_page;
            break;
        }
        m_page = m_pageStart;
        m_column = m_column >= m_columnEnd ? m_columnStart : m_column + 1;
        break;
    }
}
