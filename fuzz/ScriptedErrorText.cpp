// SPDX-License-Identifier: MIT
#include "ScriptedErrorText.h"

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace {

struct SPiece
{
    std::u32string units;
    const char *utf8;
};

// The expected bytes are written out by hand rather than computed, so the harness does
// not share a mistake with the converter it checks. No piece ends in a high surrogate
// unless a non-surrogate follows, so pieces never pair up across their borders.
const SPiece PIECES[] = {
    {U"a", "a"},
    {{0xE9}, "\xC3\xA9"},
    {{0x7FF}, "\xDF\xBF"},
    {{0x800}, "\xE0\xA0\x80"},
    {{0x20AC}, "\xE2\x82\xAC"},
    {{0xFFFF}, "\xEF\xBF\xBF"},
    {{0x1F600}, "\xF0\x9F\x98\x80"},
    {{0x10FFFF}, "\xF4\x8F\xBF\xBF"},
    {{0xD83D, 0xDE00}, "\xF0\x9F\x98\x80"},
    {{0xD800, 0x78}, "\xED\xA0\x80x"},
    {{0xDC00}, "\xED\xB0\x80"},
    {{0x110000}, "\xEF\xBF\xBD"},
    {{0x80000000}, "\xEF\xBF\xBD"},
};
constexpr std::size_t PIECE_COUNT = std::size(PIECES);
constexpr int CHOICE_BITS = 5;

} // namespace

SScriptedErrorText MakeErrorText(const wchar_t *what, int number, unsigned char choice)
{
    SScriptedErrorText text;
    text.wide = std::wstring(what) + L" #" + std::to_wstring(number);
    for (const wchar_t *p = text.wide.c_str(); *p != 0; ++p)
        text.utf8 += static_cast<char>(*p);
    for (int bit = 0; bit < CHOICE_BITS; ++bit) {
        if ((choice & (1U << bit)) == 0)
            continue;
        const SPiece &piece =
            PIECES[(static_cast<std::size_t>(bit) * 3U + static_cast<std::size_t>(number)) %
                   PIECE_COUNT];
        for (const char32_t unit : piece.units)
            text.wide += static_cast<wchar_t>(static_cast<std::uint32_t>(unit));
        text.utf8 += piece.utf8;
    }
    return text;
}
