// SPDX-License-Identifier: MIT
#pragma once

#include "SBusAdapterInfo.h"
#include "STransactionRecord.h"
#include "STransactionRequest.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The frames a bus server and its clients exchange on the local socket. Each frame is a
// 32-bit little-endian length and that many bytes: a type byte and the type's fields,
// integers little-endian, strings and byte runs with a 32-bit length before them. Encoding
// and decoding are pure functions, so the parser can be fed anything.
namespace BusFrames {

// The protocol versions this build speaks; a hello states a range, the welcome the one chosen.
constexpr std::uint16_t VERSION_MIN = 1;
constexpr std::uint16_t VERSION_MAX = 1;
// A frame longer than this closes the connection: no honest frame comes near it.
constexpr std::uint32_t MAX_FRAME_BYTES = 1024 * 1024;
// Magic at the start of a hello, so a stray program is refused at once.
constexpr std::uint32_t HELLO_MAGIC = 0x42544C56; // "VLTB" little-endian

enum class EFrameType : std::uint8_t
{
    Hello = 1,   // client: versionMin, versionMax, program, pid
    Welcome,     // server: version, adapter, program, pid
    Refusal,     // server: text; the connection closes after it
    Request,     // client: tag, request
    Progress,    // server: tag, done, total
    Record,      // server: tag, record; ends the request
    Cancel,      // client: tag of a request or of a lock
    Lock,        // client: tag, timeoutMs (0: until released or gone)
    LockGranted, // server: tag
    Unlock,      // client: tag of the lock
    LockEnded,   // server: tag, text (why: released, timed out, cancelled)
    SetSpeed,    // client: tag, speed
    SetPullUps,  // client: tag, enabled
    Result,      // server: tag, ok, cancelled, failure, text; ends a lock or a change
    Adapter,     // server: adapter (after a change of speed or pull-ups)
    Lost,        // server: the adapter has gone; the connection closes after it
};

// One frame; the fields its type uses are meaningful, the others stay default.
struct SFrame
{
    EFrameType type = EFrameType::Hello;
    std::uint32_t tag = 0;
    std::uint32_t magic = HELLO_MAGIC;
    std::uint16_t versionMin = VERSION_MIN;
    std::uint16_t versionMax = VERSION_MAX;
    std::uint16_t version = 0;
    std::string program;
    std::int64_t pid = 0;
    SBusAdapterInfo adapter;
    STransactionRequest request;
    STransactionRecord record;
    std::uint64_t done = 0;
    std::uint64_t total = 0;
    std::uint32_t timeoutMs = 0;
    EI2cSpeed speed = EI2cSpeed::Speed100k;
    bool enabled = false;
    bool ok = false;
    bool cancelled = false;
    EFailureKind failure = EFailureKind::None;
    std::string text;
};

enum class EDecodeStatus
{
    Incomplete, // more bytes are needed
    Frame,      // one frame decoded, `consumed` bytes long
    Malformed,  // the bytes are no frame; `error` says why
};

struct SDecodeResult
{
    EDecodeStatus status = EDecodeStatus::Incomplete;
    std::size_t consumed = 0;
    SFrame frame;
    std::string error;
};

// The frame with its length prefix.
std::vector<unsigned char> Encode(const SFrame &frame);
// The first frame of `size` bytes at `data`.
SDecodeResult Decode(const unsigned char *data, std::size_t size);
// The version both sides speak, or 0 when the hello's range misses this build's.
std::uint16_t ChooseVersion(std::uint16_t clientMin, std::uint16_t clientMax);

} // namespace BusFrames
