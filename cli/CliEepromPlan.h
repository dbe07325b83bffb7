// SPDX-License-Identifier: MIT
#pragma once

#include "CliCommandLine.h"
#include "ImageFile.h"
#include "SEepromPart.h"
#include "SMemoryImage.h"

#include <QString>

#include <cstddef>

enum class EEepromAction
{
    Read,
    Write,
    Verify,
    Erase,
    Parts,
};

// An eeprom command with its part, region and file checked before anything is sent.
struct SCliEepromPlan
{
    EEepromAction action = EEepromAction::Read;
    SEepromPart part;
    EImageFormat format = EImageFormat::Binary;
    std::size_t offset = 0;
    std::size_t length = 0;
    SMemoryImage image; // write and verify: what the file gives, within the region
    bool verify = false;
    QString file; // read, write and verify
};

struct SCliPlan;

namespace CliEepromPlan {

// The names of eeprom's options.
inline const QString PART = QStringLiteral("part");
inline const QString SIZE = QStringLiteral("size");
inline const QString PAGE = QStringLiteral("page");
inline const QString ADDR_WIDTH = QStringLiteral("addr-width");
inline const QString FORMAT = QStringLiteral("format");
inline const QString OFFSET = QStringLiteral("offset");
inline const QString LENGTH = QStringLiteral("length");
inline const QString VERIFY = QStringLiteral("verify");

// Fills `eeprom` and the common part of `plan` (its name, address, offset width and range);
// false with a message that names the argument at fault.
bool Build(const SCliInvocation &invocation, SCliPlan &plan, SCliEepromPlan &eeprom,
           QString &error);

} // namespace CliEepromPlan
