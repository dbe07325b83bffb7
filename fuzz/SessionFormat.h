// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

// Byte layout of one scripted driver session (fuzz_driver_session). The generator
// fuzz/make_driver_corpus.py writes the same layout; keep the two in step.
//
// Header, 5 bytes:
//   model      byte % 3: 0 A, 1 B, 2 C; from 0xF0 on the session also asks the factory
//              for the model value 3 + (byte - 0xF0), which names none
//   listing    bit flags of ESystemFlag: how the system lists the adapter
//   speed      byte % 6: speed code for the first Connect (5 is one no model takes)
//   release    2 bytes, little endian: the adapter's USB release number
//
// Then up to MAX_HOST_CALLS host calls, each an EHostCall byte (% HOST_CALL_COUNT) and
// its arguments:
//   Write        flags (bit 0 start, bit 1 stop, bits 2..7 seed of the data bytes),
//                length as 2 bytes little endian, % (MAX_WRITE_LENGTH + 1)
//   Read         address, count as 3 bytes little endian: bits 0..16 the count,
//                bit 17 adds 2^32
//   Probe        address
//   SetSpeed     speed code, the raw byte
//   SetPullUps   bit 0: enabled
//   IsPresent, Unplug, Replug, Disconnect, EnumerateAll: no argument
//   WriteFault   bit 0 set: the next HID write fails; clear: it writes only byte >> 1
//                bytes
//   Connect      speed code % 6
//   QueueStale   count (times STALE_UNIT), status: replies left in the input queue
//   Observe      0: no transfer observer; else one that asks to stop at poll byte & 0x3F
//                of each host call (0: never), and at every poll once the script is used up
//
// Whenever the driver waits for a reply (a read with a time-out), the next bytes say
// what the HID layer delivers, an EReplyKind byte (% REPLY_KIND_COUNT; the byte / 8 is
// its parameter) and its arguments:
//   Reply        status: a whole reply with the awaited report ID; parameter bits 0..2
//                are the write error code, bits 3..4 the number of copies queued behind it
//   Raw          length % 65, then that many bytes, delivered as they are
//   Timeout      nothing arrives (with an observer: nothing in this slice of the wait)
//   ReadError    the read fails; the parameter picks the error text (see ErrorText)
//   Burst        count: (count + 1) * BURST_UNIT foreign reports queued, the parameter
//                picks their kind; the first is delivered now
//   Unplug       the adapter is gone: no longer listed, its reads and writes fail
//   Sticky       status: this and every later wait of the same host call gets a whole
//                reply with that status
//   Partial      status: a reply cut to 3 + parameter bytes
// Past the end of the input every wait times out.

enum class EHostCall : std::uint8_t
{
    Write,
    Read,
    Probe,
    SetSpeed,
    SetPullUps,
    IsPresent,
    WriteFault,
    Unplug,
    Replug,
    Connect,
    Disconnect,
    QueueStale,
    EnumerateAll,
    Observe,
};
inline constexpr int HOST_CALL_COUNT = 14;

enum class EReplyKind : std::uint8_t
{
    Reply,
    Raw,
    Timeout,
    ReadError,
    Burst,
    Unplug,
    Sticky,
    Partial,
};
inline constexpr int REPLY_KIND_COUNT = 8;

enum ESystemFlag : std::uint8_t
{
    // The special-mode interface is listed twice, under two paths.
    LIST_TWICE = 0x01,
    // Only the adapter's other interface is listed.
    NO_SPECIAL_INTERFACE = 0x02,
    // The adapter reports no product string.
    NO_PRODUCT = 0x04,
    // Opening the special-mode interface is refused.
    OPEN_REFUSED = 0x08,
    // The library gives no error texts at all.
    SILENT_ERRORS = 0x10,
    // Other adapters and devices are attached too.
    NEIGHBOURS = 0x20,
    // The adapter reports no serial number; the session connects with an empty one.
    NO_SERIAL = 0x40,
    // Pull-ups are switched off before the first Connect.
    PULL_UPS_OFF = 0x80,
};

inline constexpr int MAX_HOST_CALLS = 48;
inline constexpr std::size_t MAX_WRITE_LENGTH = 1024;
inline constexpr std::size_t STALE_UNIT = 20;
inline constexpr std::size_t BURST_UNIT = 8;
// HID reads one session may cost; past it every wait times out, so no input can make
// an execution slow (a 65535-byte read in one-byte replies is 65535 reads).
inline constexpr std::size_t SESSION_READ_BUDGET = 300000;
