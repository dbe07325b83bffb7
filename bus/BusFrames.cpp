// SPDX-License-Identifier: MIT
#include "BusFrames.h"

namespace BusFrames {

namespace {

constexpr std::size_t LENGTH_BYTES = 4;

class CWriter
{
public:
    void U8(std::uint8_t value) { m_bytes.push_back(value); }
    void Bool(bool value) { U8(value ? 1 : 0); }
    void U16(std::uint16_t value) { Int(value, 2); }
    void U32(std::uint32_t value) { Int(value, 4); }
    void U64(std::uint64_t value) { Int(value, 8); }
    void I64(std::int64_t value) { Int(static_cast<std::uint64_t>(value), 8); }
    void Bytes(const std::vector<unsigned char> &bytes)
    {
        U32(static_cast<std::uint32_t>(bytes.size()));
        m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end());
    }
    void String(const std::string &text)
    {
        U32(static_cast<std::uint32_t>(text.size()));
        m_bytes.insert(m_bytes.end(), text.begin(), text.end());
    }
    // Wide strings carry serials and names, which are short; each unit goes as 32 bits.
    void WString(const std::wstring &text)
    {
        U32(static_cast<std::uint32_t>(text.size()));
        for (const wchar_t unit : text)
            U32(static_cast<std::uint32_t>(unit));
    }
    std::vector<unsigned char> Take() { return std::move(m_bytes); }

private:
    void Int(std::uint64_t value, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            m_bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
    }

    std::vector<unsigned char> m_bytes;
};

// Reads fields from a frame's body; the first overrun or bad value makes it fail, and
// every later read returns zero, so the caller checks once at the end.
class CReader
{
public:
    CReader(const unsigned char *data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {}

    bool Ok() const { return m_error.empty(); }
    const std::string &Error() const { return m_error; }
    bool AtEnd() const { return m_pos == m_size; }
    void Fail(const std::string &error)
    {
        if (m_error.empty())
            m_error = error;
    }

    std::uint8_t U8() { return static_cast<std::uint8_t>(Int(1)); }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Int(2)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(Int(4)); }
    std::uint64_t U64() { return Int(8); }
    std::int64_t I64() { return static_cast<std::int64_t>(Int(8)); }
    bool Bool()
    {
        const std::uint8_t value = U8();
        if (value > 1)
            Fail("Bad truth value");
        return value == 1;
    }
    std::vector<unsigned char> Bytes()
    {
        const std::size_t length = Length(1);
        std::vector<unsigned char> bytes(m_data + m_pos, m_data + m_pos + length);
        m_pos += length;
        return bytes;
    }
    std::string String()
    {
        const std::size_t length = Length(1);
        std::string text(reinterpret_cast<const char *>(m_data + m_pos), length);
        m_pos += length;
        return text;
    }
    std::wstring WString()
    {
        const std::size_t length = Length(4);
        std::wstring text;
        text.reserve(length);
        for (std::size_t i = 0; i < length; ++i)
            text.push_back(static_cast<wchar_t>(U32()));
        return text;
    }
    template <typename Enum>
    Enum Enumerated(std::uint8_t last, const char *what)
    {
        const std::uint8_t value = U8();
        if (value > last)
            Fail(std::string("Bad ") + what);
        return static_cast<Enum>(value <= last ? value : 0);
    }

private:
    std::uint64_t Int(int bytes)
    {
        if (!Ok() || m_size - m_pos < static_cast<std::size_t>(bytes)) {
            Fail("Frame too short");
            return 0;
        }
        std::uint64_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= static_cast<std::uint64_t>(m_data[m_pos + i]) << (8 * i);
        m_pos += bytes;
        return value;
    }
    // A length of units of `unitBytes` that must fit in what is left.
    std::size_t Length(std::size_t unitBytes)
    {
        const std::uint32_t length = U32();
        if (!Ok() || length > (m_size - m_pos) / unitBytes) {
            Fail("Length beyond the frame");
            return 0;
        }
        return length;
    }

    const unsigned char *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    std::string m_error;
};

constexpr std::uint8_t LAST_FRAME_TYPE = static_cast<std::uint8_t>(EFrameType::Lost);
constexpr std::uint8_t LAST_KIND = static_cast<std::uint8_t>(ETransactionKind::Search);
constexpr std::uint8_t LAST_FAILURE = static_cast<std::uint8_t>(EFailureKind::Other);
constexpr std::uint8_t LAST_SPEED = static_cast<std::uint8_t>(EI2cSpeed::Speed1000k);
constexpr std::uint8_t LAST_MODEL = static_cast<std::uint8_t>(EVtlType::VtlC);

void PutRequest(CWriter &out, const STransactionRequest &request)
{
    out.U8(static_cast<std::uint8_t>(request.kind));
    out.U8(request.address);
    out.Bytes(request.data);
    out.U64(request.count);
    out.Bool(request.start);
    out.Bool(request.stop);
    out.U8(request.firstAddress);
    out.U8(request.lastAddress);
}

STransactionRequest GetRequest(CReader &in)
{
    STransactionRequest request;
    request.kind = in.Enumerated<ETransactionKind>(LAST_KIND, "transaction kind");
    request.address = in.U8();
    request.data = in.Bytes();
    request.count = static_cast<std::size_t>(in.U64());
    request.start = in.Bool();
    request.stop = in.Bool();
    request.firstAddress = in.U8();
    request.lastAddress = in.U8();
    return request;
}

void PutRecord(CWriter &out, const STransactionRecord &record)
{
    PutRequest(out, record.request);
    out.Bool(record.ok);
    out.Bool(record.cancelled);
    out.U8(record.write.status);
    out.U8(record.write.errorCode);
    out.U8(record.read.status);
    out.Bytes(record.read.data);
    out.Bool(record.readPartReached);
    out.Bytes(record.found);
    out.U64(record.probesDone);
    out.String(record.lastError);
    out.U8(static_cast<std::uint8_t>(record.failure));
    out.String(record.originProgram);
    out.I64(record.originPid);
    out.I64(record.startedMs);
    out.I64(record.durationUs);
}

STransactionRecord GetRecord(CReader &in)
{
    STransactionRecord record;
    record.request = GetRequest(in);
    record.ok = in.Bool();
    record.cancelled = in.Bool();
    record.write.status = in.U8();
    record.write.errorCode = in.U8();
    record.read.status = in.U8();
    record.read.data = in.Bytes();
    record.readPartReached = in.Bool();
    record.found = in.Bytes();
    record.probesDone = static_cast<std::size_t>(in.U64());
    record.lastError = in.String();
    record.failure = in.Enumerated<EFailureKind>(LAST_FAILURE, "failure kind");
    record.originProgram = in.String();
    record.originPid = in.I64();
    record.startedMs = in.I64();
    record.durationUs = in.I64();
    return record;
}

void PutAdapter(CWriter &out, const SBusAdapterInfo &info)
{
    out.WString(info.typeName);
    out.U32(info.supportedSpeeds);
    out.Bool(info.hasPullUpSwitch);
    out.Bool(info.canWriteAddressOnly);
    out.U64(info.maxReadCount);
    out.U64(info.maxWriteCount);
    out.U8(static_cast<std::uint8_t>(info.type));
    out.WString(info.serial);
    out.WString(info.productName);
    out.U16(info.firmware);
    out.U8(static_cast<std::uint8_t>(info.speed));
    out.Bool(info.pullUpsEnabled);
}

SBusAdapterInfo GetAdapter(CReader &in)
{
    SBusAdapterInfo info;
    info.typeName = in.WString();
    info.supportedSpeeds = in.U32();
    info.hasPullUpSwitch = in.Bool();
    info.canWriteAddressOnly = in.Bool();
    info.maxReadCount = static_cast<std::size_t>(in.U64());
    info.maxWriteCount = static_cast<std::size_t>(in.U64());
    info.type = in.Enumerated<EVtlType>(LAST_MODEL, "adapter model");
    info.serial = in.WString();
    info.productName = in.WString();
    info.firmware = in.U16();
    info.speed = in.Enumerated<EI2cSpeed>(LAST_SPEED, "speed");
    info.pullUpsEnabled = in.Bool();
    return info;
}

} // namespace

std::vector<unsigned char> Encode(const SFrame &frame)
{
    CWriter out;
    out.U8(static_cast<std::uint8_t>(frame.type));
    switch (frame.type) {
    case EFrameType::Hello:
        out.U32(frame.magic);
        out.U16(frame.versionMin);
        out.U16(frame.versionMax);
        out.String(frame.program);
        out.I64(frame.pid);
        break;
    case EFrameType::Welcome:
        out.U16(frame.version);
        PutAdapter(out, frame.adapter);
        out.String(frame.program);
        out.I64(frame.pid);
        break;
    case EFrameType::Refusal:
        out.String(frame.text);
        break;
    case EFrameType::Request:
        out.U32(frame.tag);
        PutRequest(out, frame.request);
        break;
    case EFrameType::Progress:
        out.U32(frame.tag);
        out.U64(frame.done);
        out.U64(frame.total);
        break;
    case EFrameType::Record:
        out.U32(frame.tag);
        PutRecord(out, frame.record);
        break;
    case EFrameType::Cancel:
    case EFrameType::LockGranted:
    case EFrameType::Unlock:
        out.U32(frame.tag);
        break;
    case EFrameType::Lock:
        out.U32(frame.tag);
        out.U32(frame.timeoutMs);
        break;
    case EFrameType::LockEnded:
        out.U32(frame.tag);
        out.String(frame.text);
        break;
    case EFrameType::SetSpeed:
        out.U32(frame.tag);
        out.U8(static_cast<std::uint8_t>(frame.speed));
        break;
    case EFrameType::SetPullUps:
        out.U32(frame.tag);
        out.Bool(frame.enabled);
        break;
    case EFrameType::Result:
        out.U32(frame.tag);
        out.Bool(frame.ok);
        out.Bool(frame.cancelled);
        out.U8(static_cast<std::uint8_t>(frame.failure));
        out.String(frame.text);
        break;
    case EFrameType::Adapter:
        PutAdapter(out, frame.adapter);
        break;
    case EFrameType::Lost:
        break;
    }
    std::vector<unsigned char> body = out.Take();
    CWriter framed;
    framed.U32(static_cast<std::uint32_t>(body.size()));
    std::vector<unsigned char> bytes = framed.Take();
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

SDecodeResult Decode(const unsigned char *data, std::size_t size)
{
    SDecodeResult result;
    if (size < LENGTH_BYTES)
        return result;
    std::uint32_t length = 0;
    for (std::size_t i = 0; i < LENGTH_BYTES; ++i)
        length |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    if (length == 0 || length > MAX_FRAME_BYTES) {
        result.status = EDecodeStatus::Malformed;
        result.error = length == 0 ? "Empty frame" : "Frame too long";
        return result;
    }
    if (size - LENGTH_BYTES < length)
        return result;

    CReader in(data + LENGTH_BYTES, length);
    SFrame &frame = result.frame;
    frame.type = in.Enumerated<EFrameType>(LAST_FRAME_TYPE, "frame type");
    if (static_cast<std::uint8_t>(frame.type) == 0)
        in.Fail("Bad frame type");
    if (in.Ok()) {
        switch (frame.type) {
        case EFrameType::Hello:
            frame.magic = in.U32();
            frame.versionMin = in.U16();
            frame.versionMax = in.U16();
            frame.program = in.String();
            frame.pid = in.I64();
            if (in.Ok() && frame.magic != HELLO_MAGIC)
                in.Fail("Not a bus client");
            break;
        case EFrameType::Welcome:
            frame.version = in.U16();
            frame.adapter = GetAdapter(in);
            frame.program = in.String();
            frame.pid = in.I64();
            break;
        case EFrameType::Refusal:
            frame.text = in.String();
            break;
        case EFrameType::Request:
            frame.tag = in.U32();
            frame.request = GetRequest(in);
            break;
        case EFrameType::Progress:
            frame.tag = in.U32();
            frame.done = in.U64();
            frame.total = in.U64();
            break;
        case EFrameType::Record:
            frame.tag = in.U32();
            frame.record = GetRecord(in);
            break;
        case EFrameType::Cancel:
        case EFrameType::LockGranted:
        case EFrameType::Unlock:
            frame.tag = in.U32();
            break;
        case EFrameType::Lock:
            frame.tag = in.U32();
            frame.timeoutMs = in.U32();
            break;
        case EFrameType::LockEnded:
            frame.tag = in.U32();
            frame.text = in.String();
            break;
        case EFrameType::SetSpeed:
            frame.tag = in.U32();
            frame.speed = in.Enumerated<EI2cSpeed>(LAST_SPEED, "speed");
            break;
        case EFrameType::SetPullUps:
            frame.tag = in.U32();
            frame.enabled = in.Bool();
            break;
        case EFrameType::Result:
            frame.tag = in.U32();
            frame.ok = in.Bool();
            frame.cancelled = in.Bool();
            frame.failure = in.Enumerated<EFailureKind>(LAST_FAILURE, "failure kind");
            frame.text = in.String();
            break;
        case EFrameType::Adapter:
            frame.adapter = GetAdapter(in);
            break;
        case EFrameType::Lost:
            break;
        }
    }
    if (in.Ok() && !in.AtEnd())
        in.Fail("Bytes after the frame");
    if (!in.Ok()) {
        result.status = EDecodeStatus::Malformed;
        result.error = in.Error();
        result.frame = SFrame();
        return result;
    }
    result.status = EDecodeStatus::Frame;
    result.consumed = LENGTH_BYTES + length;
    return result;
}

std::uint16_t ChooseVersion(std::uint16_t clientMin, std::uint16_t clientMax)
{
    const std::uint16_t high = clientMax < VERSION_MAX ? clientMax : VERSION_MAX;
    const std::uint16_t low = clientMin > VERSION_MIN ? clientMin : VERSION_MIN;
    return low <= high ? high : 0;
}

} // namespace BusFrames
