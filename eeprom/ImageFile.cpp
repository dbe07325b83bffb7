// SPDX-License-Identifier: MIT
#include "ImageFile.h"

#include "IntelHex.h"
#include "NativeName.h"
#include "SRecord.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace ImageFile {

namespace {

constexpr char BLANK = char(0xFF);

// The file's bytes; a name with bytes that are not UTF-8 opens by those bytes, where Qt
// would open another name.
bool ReadBytes(const QString &path, QByteArray &bytes, QString &error)
{
    QFile file;
    if (NativeName::HasRawBytes(path)) {
        const int fd = ::open(NativeName::Encode(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
        if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
            ::close(fd);
            error = file.errorString();
            return false;
        }
    } else {
        file.setFileName(path);
        if (!file.open(QIODevice::ReadOnly)) {
            error = file.errorString();
            return false;
        }
    }
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace

std::optional<EImageFormat> FormatNamed(const QString &name)
{
    if (name == "bin"_L1)
        return EImageFormat::Binary;
    if (name == "ihex"_L1 || name == "hex"_L1)
        return EImageFormat::IntelHex;
    if (name == "srec"_L1)
        return EImageFormat::SRecord;
    return std::nullopt;
}

EImageFormat FormatOf(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == "hex"_L1 || suffix == "ihex"_L1)
        return EImageFormat::IntelHex;
    for (const char *name : {"srec", "s19", "s28", "s37", "mot"}) {
        if (suffix == QLatin1StringView(name))
            return EImageFormat::SRecord;
    }
    return EImageFormat::Binary;
}

EImageFormat FormatOfContent(const QByteArray &bytes)
{
    const QByteArray line = bytes.left(bytes.indexOf('\n')).trimmed();
    const auto hexFrom = [&](qsizetype first) {
        return line.size() > first && std::all_of(line.begin() + first, line.end(),
                                                  [](char c) { return std::isxdigit(uchar(c)); });
    };
    if (line.startsWith(':') && hexFrom(1))
        return EImageFormat::IntelHex;
    if (line.startsWith('S') && hexFrom(1) && line.size() > 1 && std::isdigit(uchar(line[1])))
        return EImageFormat::SRecord;
    return EImageFormat::Binary;
}

QString NameOf(EImageFormat format)
{
    switch (format) {
    case EImageFormat::IntelHex:
        return u"ihex"_s;
    case EImageFormat::SRecord:
        return u"srec"_s;
    case EImageFormat::Binary:
        break;
    }
    return u"bin"_s;
}

bool Decode(const QByteArray &bytes, EImageFormat format, SMemoryImage &image, QString &error)
{
    switch (format) {
    case EImageFormat::IntelHex:
        return IntelHex::Read(bytes, image, error);
    case EImageFormat::SRecord:
        return SRecord::Read(bytes, image, error);
    case EImageFormat::Binary:
        break;
    }
    if (bytes.isEmpty()) {
        error = u"the file is empty"_s;
        return false;
    }
    image = {};
    image.segments.push_back({0, {bytes.begin(), bytes.end()}});
    return true;
}

QByteArray Encode(const SMemoryImage &image, EImageFormat format)
{
    switch (format) {
    case EImageFormat::IntelHex:
        return IntelHex::Write(image);
    case EImageFormat::SRecord:
        return SRecord::Write(image);
    case EImageFormat::Binary:
        break;
    }
    if (image.segments.empty())
        return {};
    const std::size_t start = image.segments.front().offset;
    QByteArray bytes(qsizetype(image.End() - start), BLANK);
    for (const SImageSegment &segment : image.segments) {
        std::copy(segment.bytes.begin(), segment.bytes.end(),
                  bytes.begin() + qsizetype(segment.offset - start));
    }
    return bytes;
}

bool Load(const QString &path, EImageFormat format, SMemoryImage &image, QString &error,
          EFailureKind *kind)
{
    const auto failed = [kind](EFailureKind what) {
        if (kind)
            *kind = what;
        return false;
    };
    QByteArray bytes;
    if (!ReadBytes(path, bytes, error))
        return failed(EFailureKind::FileIo);
    if (!Decode(bytes, format, image, error))
        return failed(EFailureKind::InvalidArgument);
    if (kind)
        *kind = EFailureKind::None;
    return true;
}

} // namespace ImageFile
