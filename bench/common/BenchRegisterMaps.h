// SPDX-License-Identifier: MIT
#pragma once

#include "SRegisterMap.h"

#include <QString>

// 256 four-byte registers REG0.. with 8 four-bit fields each, every other field scaled to
// millivolts: the large map the register benchmarks measure.
inline SRegisterMap FieldedRegisterMap256x8()
{
    using namespace Qt::StringLiterals;
    SRegisterMap map;
    for (int r = 0; r < 256; ++r) {
        SRegister reg;
        reg.name = u"REG%1"_s.arg(r);
        reg.address = std::uint32_t(r);
        reg.size = 4;
        for (int f = 0; f < 8; ++f) {
            SRegisterField field;
            field.name = u"F%1"_s.arg(f);
            field.lsb = 4 * f;
            field.msb = 4 * f + 3;
            field.scale = f % 2 == 0 ? 0.25 : 1.0;
            field.unit = f % 2 == 0 ? u"mV"_s : QString();
            reg.fields.append(field);
        }
        map.registers.append(reg);
    }
    return map;
}
