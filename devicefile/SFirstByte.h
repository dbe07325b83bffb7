// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>
#include <map>

// What a part does with the first byte written to it after its address: a register pointer
// changes nothing on its own, a command byte makes it act, a configuration byte is stored.
// Identification writes such a byte before every ID read, so it must know.
struct SFirstByte
{
    enum class EKind
    {
        Pointer,
        Command,
        Configuration,
    };
    EKind kind = EKind::Pointer;
    // Command: every byte the part acts on, with a phrase such as "a reset command".
    std::map<std::uint8_t, QString> acts;
    // Configuration: what the byte is to the part, such as "the control byte".
    QString meaning;

    // Whether writing `byte` alone does something to the part; `what` then names it.
    bool ActsOn(std::uint8_t byte, QString *what = nullptr) const
    {
        switch (kind) {
        case EKind::Pointer:
            return false;
        case EKind::Command: {
            const auto it = acts.find(byte);
            if (it == acts.end())
                return false;
            if (what)
                *what = it->second;
            return true;
        }
        case EKind::Configuration:
            if (what)
                *what = meaning;
            return true;
        }
        return true;
    }

    friend bool operator==(const SFirstByte &, const SFirstByte &) = default;
};
