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
};

struct SCliPlan;

namespace CliEepromPlan {

// Fills the eeprom part of `plan` (and its address, file, offset width and range); false
// with a message that names the argument at fault.
bool Build(const SCliInvocation &invocation, SCliPlan &plan, QString &error);

} // namespace CliEepromPlan
