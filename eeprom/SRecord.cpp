// SPDX-License-Identifier: MIT
#include "SRecord.h"

#include "ImageRecords.h"
#include "Plural.h"

using namespace Qt::StringLiterals;

namespace SRecord {

namespace {

constexpr std::size_t RECORD_DATA = 16;
constexpr std::size_t S1_REACH = 0x10000;
constexpr std::size_t S2_REACH = 0x1000000;

// The address bytes of each record type, 0 for one that carries none of interest.
int AddressBytes(char type)
{
    switch (type) {
    case '0':
    case '1':
    case '5':
    case '9':
        return 2;
    case '2':
    case '6':
    case '8':
        return 3;
    case '3':
    case '7':
        return 4;
    default:
        return 0;
    }
}

unsigned char Checksum(const std::vector<unsigned char> &bytes, std::size_t count)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += bytes[i];
    return static_cast<unsigned char>(~sum);
}

void AppendRecord(QByteArray &text, char type, std::size_t address,
                  const std::vector<unsigned char> &data)
{
    const int width = AddressBytes(type);
    std::vector<unsigned char> bytes{static_cast<unsigned char>(width + data.size() + 1)};
    for (int shift = (width - 1) * 8; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<unsigned char>(address >> shift));
    bytes.insert(bytes.end(), data.begin(), data.end());
    bytes.push_back(Checksum(bytes, bytes.size()));
    text.append('S');
    text.append(type);
    ImageRecords::AppendHex(text, bytes);
    text.append('\n');
}

} // namespace

bool Read(const QByteArray &text, SMemoryImage &image, QString &error)
{
    image = {};
    std::size_t dataRecords = 0;
    bool ended = false;
    bool failed = false;
    const auto fail = [&](int line, const QString &what) {
        error = ImageRecords::LineError(line, what);
        failed = true;
        return false;
    };
    ImageRecords::ForEachLine(text, [&](int line, const QByteArray &record) {
        if (record.size() < 2 || record[0] != 'S')
            return fail(line, u"not an S-record (no 'S')"_s);
        const char type = record[1];
        const int width = AddressBytes(type);
        if (width == 0)
            return fail(line, u"unknown record type S%1"_s.arg(QChar::fromLatin1(type)));
        QString why;
        const auto bytes = ImageRecords::HexPairs(record.mid(2), why);
        if (!bytes)
            return fail(line, why);
        if (bytes->size() < std::size_t(width) + 2 || bytes->size() != std::size_t((*bytes)[0]) + 1)
            return fail(line, u"record length does not match its byte count"_s);
        if (Checksum(*bytes, bytes->size() - 1) != bytes->back())
            return fail(line, u"checksum mismatch"_s);
        if (type == '7' || type == '8' || type == '9') {
            ended = true;
            return false;
        }
        std::size_t address = 0;
        for (int i = 1; i <= width; ++i)
            address = address << 8 | (*bytes)[std::size_t(i)];
        // A count record says how many data records came before it: fewer means lost lines.
        if ((type == '5' || type == '6') && address != dataRecords) {
            return fail(line, u"S%1 counts %2, but %3 came before it"_s.arg(
                                  QChar::fromLatin1(type),
                                  Plural::Count(address, u"data record"_s, u"data records"_s),
                                  QString::number(dataRecords)));
        }
        if (type != '1' && type != '2' && type != '3')
            return true;
        ++dataRecords;
        const std::size_t count = bytes->size() - std::size_t(width) - 2;
        ImageRecords::Append(image, address, bytes->data() + 1 + width, count);
        return true;
    });
    if (failed)
        return false;
    if (!ended) {
        error = u"no S7, S8 or S9 terminator"_s;
        return false;
    }
    return true;
}

QByteArray Write(const SMemoryImage &image)
{
    const std::size_t end = image.End();
    const char data = end <= S1_REACH ? '1' : end <= S2_REACH ? '2' : '3';
    const char terminator = data == '1' ? '9' : data == '2' ? '8' : '7';
    QByteArray text;
    AppendRecord(text, '0', 0, {});
    for (const SImageSegment &segment : image.segments) {
        for (std::size_t done = 0; done < segment.bytes.size(); done += RECORD_DATA) {
            const std::size_t count = std::min(RECORD_DATA, segment.bytes.size() - done);
            const auto from = segment.bytes.begin() + std::ptrdiff_t(done);
            AppendRecord(text, data, segment.offset + done, {from, from + std::ptrdiff_t(count)});
        }
    }
    AppendRecord(text, terminator, 0, {});
    return text;
}

} // namespace SRecord
