// SPDX-License-Identifier: MIT
#include "IntelHex.h"

#include "ImageRecords.h"

using namespace Qt::StringLiterals;

namespace IntelHex {

namespace {

constexpr unsigned char TYPE_DATA = 0x00;
constexpr unsigned char TYPE_END = 0x01;
constexpr unsigned char TYPE_SEGMENT = 0x02;
constexpr unsigned char TYPE_START_SEGMENT = 0x03;
constexpr unsigned char TYPE_LINEAR = 0x04;
constexpr unsigned char TYPE_START_LINEAR = 0x05;
constexpr std::size_t RECORD_DATA = 16;
constexpr std::size_t OVERHEAD = 5; // count, address (2), type, checksum
constexpr std::size_t SEGMENT_SPAN = 0x10000;

unsigned char Checksum(const std::vector<unsigned char> &bytes)
{
    unsigned sum = 0;
    for (const unsigned char byte : bytes)
        sum += byte;
    return static_cast<unsigned char>(-sum);
}

void AppendRecord(QByteArray &text, unsigned char type, std::size_t address,
                  const std::vector<unsigned char> &data)
{
    std::vector<unsigned char> bytes{static_cast<unsigned char>(data.size()),
                                     static_cast<unsigned char>(address >> 8),
                                     static_cast<unsigned char>(address), type};
    bytes.insert(bytes.end(), data.begin(), data.end());
    bytes.push_back(Checksum(bytes));
    text.append(':');
    ImageRecords::AppendHex(text, bytes);
    text.append('\n');
}

} // namespace

bool Read(const QByteArray &text, SMemoryImage &image, QString &error)
{
    image = {};
    std::size_t base = 0;
    bool ended = false;
    bool failed = false;
    const auto fail = [&](int line, const QString &what) {
        error = ImageRecords::LineError(line, what);
        failed = true;
        return false;
    };
    ImageRecords::ForEachLine(text, [&](int line, const QByteArray &record) {
        if (!record.startsWith(':'))
            return fail(line, u"not an Intel HEX record (no ':')"_s);
        QString why;
        const auto bytes = ImageRecords::HexPairs(record.mid(1), why);
        if (!bytes)
            return fail(line, why);
        if (bytes->size() < OVERHEAD || bytes->size() != OVERHEAD + (*bytes)[0])
            return fail(line, u"record length does not match its byte count"_s);
        if (Checksum(*bytes) != 0)
            return fail(line, u"checksum mismatch"_s);
        const std::size_t count = (*bytes)[0];
        const std::size_t address = std::size_t((*bytes)[1]) << 8 | (*bytes)[2];
        const unsigned char type = (*bytes)[3];
        const unsigned char *data = bytes->data() + 4;
        const std::size_t value = count == 2 ? std::size_t(data[0]) << 8 | data[1] : 0;
        switch (type) {
        case TYPE_DATA:
            ImageRecords::Append(image, base + address, data, count);
            return true;
        case TYPE_END:
            ended = true;
            return false;
        case TYPE_SEGMENT:
        case TYPE_LINEAR:
            if (count != 2)
                return fail(line, u"address record with %1 data bytes"_s.arg(count));
            base = type == TYPE_SEGMENT ? value << 4 : value << 16;
            return true;
        case TYPE_START_SEGMENT:
        case TYPE_START_LINEAR:
            return true;
        default:
            return fail(line, u"unknown record type %1"_s.arg(type));
        }
    });
    if (failed)
        return false;
    if (!ended) {
        error = u"no end-of-file record"_s;
        return false;
    }
    return true;
}

QByteArray Write(const SMemoryImage &image)
{
    QByteArray text;
    std::size_t upper = 0;
    for (const SImageSegment &segment : image.segments) {
        for (std::size_t done = 0; done < segment.bytes.size();) {
            const std::size_t at = segment.offset + done;
            if (at / SEGMENT_SPAN != upper) {
                upper = at / SEGMENT_SPAN;
                AppendRecord(
                    text, TYPE_LINEAR, 0,
                    {static_cast<unsigned char>(upper >> 8), static_cast<unsigned char>(upper)});
            }
            const std::size_t count = std::min(
                {RECORD_DATA, segment.bytes.size() - done, SEGMENT_SPAN - at % SEGMENT_SPAN});
            const auto from = segment.bytes.begin() + std::ptrdiff_t(done);
            AppendRecord(text, TYPE_DATA, at % SEGMENT_SPAN, {from, from + std::ptrdiff_t(count)});
            done += count;
        }
    }
    AppendRecord(text, TYPE_END, 0, {});
    return text;
}

} // namespace IntelHex
