// SPDX-License-Identifier: MIT
// eeprom: read, write, verify or erase a 24-series EEPROM, or list the part presets.
#include "CliEeprom.h"
#include "CliEepromPlan.h"
#include "CliPlan.h"

using namespace Qt::StringLiterals;

namespace {

class CEepromCommand final : public CCliCommand
{
public:
    static SCliCommandSpec Spec()
    {
        using namespace CliEepromPlan;
        return {
            u"eeprom"_s,
            u"Read, write, verify or erase a 24-series EEPROM."_s,
            u"read: copies the EEPROM (or the region --offset/--length) into FILE. write: "
            u"programs FILE page by page, waiting for each write cycle by polling the address; "
            u"a HEX or S-record file programs only the bytes it holds. The file's offsets count "
            u"from --offset in every format. verify: compares FILE with the EEPROM and names the "
            u"first differing "
            u"offset (exit status 1 when they differ). erase: fills the region with FF. parts: "
            u"lists the part presets. The part is --part NAME (24c16, 24lc256, at24cm02, or as "
            u"printed on the chip: 24LC02B-I/SN, M24C02-WMN6TP, ...) or --size with --page (to "
            u"write) and --addr-width. Before write and erase, every address the part spans "
            u"must answer as that part, else nothing is written (exit status 2): each address "
            u"acknowledges, and with one address byte each further block's first bytes read "
            u"through its own address equal those that a read through the block before it gives "
            u"past that block's end (a chip of its own or one with two address bytes reads "
            u"otherwise; blocks that read alike throughout, such as blank ones, cannot be told "
            u"apart). FILE '-' is standard output for read and standard input for write and "
            u"verify (the format --format names, else the one its text shows)."_s,
            {{u"ACTION"_s, u"read, write, verify, erase or parts."_s},
             {u"ADDR"_s, u"Slave address, hex: the part's base address (block bits clear)."_s},
             {u"FILE"_s, u"Image file: .bin raw, .hex/.ihex Intel HEX, .srec/.s19/.s28/.s37/.mot "
                         u"S-record (or --format)."_s}},
            u"read|write|verify ADDR FILE | erase ADDR | parts"_s,
            {{PART,
              u"Part preset, for example 24c16, 24lc1025 or 24LC02B-I/SN ('eeprom parts' lists "
              u"them)."_s,
              u"NAME"_s},
             {SIZE, u"EEPROM size in bytes (checked against --part)."_s, u"BYTES"_s},
             {PAGE, u"Page size in bytes, a power of two (needed to write without --part)."_s,
              u"BYTES"_s},
             {ADDR_WIDTH, u"Number of address bytes (default 1 up to 256 bytes of size, else 2)."_s,
              u"1|2"_s},
             {FORMAT, u"File format instead of the one its extension names."_s, u"bin|ihex|srec"_s},
             {OFFSET, u"First offset of the region, hex (default 0)."_s, u"X"_s},
             {LENGTH, u"Bytes in the region, decimal (default: to the end)."_s, u"BYTES"_s},
             {VERIFY, u"write, erase: read back and compare afterwards."_s}},
            1,
            3};
    }

    bool Plan(const SCliInvocation &invocation, SCliPlan &plan, QString &error) override
    {
        return CliEepromPlan::Build(invocation, plan, m_eeprom, error);
    }

    bool NeedsAdapter() const override { return m_eeprom.action != EEepromAction::Parts; }

    ECliExit Run(CCliSession &session) const override { return CliEeprom::Run(session, m_eeprom); }

    ECliExit RunAlone(const SCliPlan &plan, const CCliOutput &output) const override
    {
        return CliEeprom::PrintParts(plan.commandName, output);
    }

private:
    SCliEepromPlan m_eeprom;
};

} // namespace

namespace CliCommands {

SCliCommandEntry EepromCommand()
{
    return CliCommandEntry<CEepromCommand>();
}

} // namespace CliCommands
