// SPDX-License-Identifier: MIT
#include "CI2cDeviceFile.h"
#include "NumberText.h"

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

// Parses arbitrary text as hex bytes and checks that every byte list survives its own hex
// text. Input is read as UTF-8; input starting with a NUL byte is read as UTF-16 instead, so
// that every code unit (lone surrogates included) can reach the parser.

namespace {

[[noreturn]] void Fail(const char *what, const QString &text)
{
    std::fprintf(stderr, "fuzz_hex_to_bytes: %s for \"%s\"\n", what, text.toUtf8().constData());
    std::abort();
}

QString InputText(const std::uint8_t *data, std::size_t size)
{
    if (size == 0 || data[0] != 0)
        return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    std::vector<char16_t> units((size - 1) / 2);
    if (!units.empty())
        std::memcpy(units.data(), data + 1, units.size() * sizeof(char16_t));
    return QString::fromUtf16(units.data(), qsizetype(units.size()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::vector<unsigned char> bytes(data, data + size);
    const QString hex = CI2cDeviceFile::BytesToHex(bytes);
    if (NumberText::ParseBytes(hex) != bytes)
        Fail("byte list does not survive its hex text", hex);
    if (NumberText::ParseBytes(hex.toLower()) != bytes)
        Fail("lower-case hex text parses differently", hex);

    const QString text = InputText(data, size);
    const std::optional<std::vector<unsigned char>> parsed = NumberText::ParseBytes(text);
    if (parsed) {
        if (parsed->size() > std::size_t(text.size()))
            Fail("more bytes than characters", text);
        if (NumberText::ParseBytes(CI2cDeviceFile::BytesToHex(*parsed)) != parsed)
            Fail("parsed bytes do not survive their hex text", text);
    }
    return 0;
}
