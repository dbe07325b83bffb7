// SPDX-License-Identifier: MIT
#include "CliEepromPlan.h"

#include "COutputFile.h"
#include "CliInputFile.h"
#include "CliPlan.h"
#include "CliValues.h"
#include "EepromParts.h"
#include "Plural.h"

#include <QFile>

using namespace Qt::StringLiterals;

namespace CliEepromPlan {

namespace {

constexpr std::size_t ONE_BYTE_OFFSETS = 256;
constexpr std::size_t MAX_SIZE = 262144;

class CEepromBuilder
{
public:
    CEepromBuilder(const SCliInvocation &invocation, SCliPlan &plan, SCliEepromPlan &eeprom,
                   QString &error)
        : m_invocation(invocation)
        , m_plan(plan)
        , m_eeprom(eeprom)
        , m_error(error)
    {}

    bool Build()
    {
        return ParseAction() && CheckArgumentCount() &&
               (m_eeprom.action == EEepromAction::Parts ||
                (ParseAddress() && ParsePart() && ParseRegion() && ParseFile()));
    }

private:
    QString Argument(int index) const { return m_invocation.arguments.value(index); }
    bool Has(const QString &option) const { return m_invocation.values.contains(option); }
    bool IsSet(const QString &option) const { return m_invocation.flags.contains(option); }
    QString Value(const QString &option) const { return m_invocation.values.value(option); }

    bool Fail(const QString &error)
    {
        m_error = error;
        return false;
    }

    bool ParseAction()
    {
        static const QList<std::pair<QString, EEepromAction>> ACTIONS = {
            {u"read"_s, EEepromAction::Read},
            {u"write"_s, EEepromAction::Write},
            {u"verify"_s, EEepromAction::Verify},
            {u"erase"_s, EEepromAction::Erase},
            {u"parts"_s, EEepromAction::Parts}};
        const QString action = Argument(0);
        for (const auto &[name, value] : ACTIONS) {
            if (name == action) {
                m_eeprom.action = value;
                m_plan.commandName += u' ' + action;
                return true;
            }
        }
        return Fail(u"ACTION %1 is not read, write, verify, erase or parts"_s.arg(
            CliValues::Quoted(action)));
    }

    bool CheckArgumentCount()
    {
        const int wanted = m_eeprom.action == EEepromAction::Parts   ? 1
                           : m_eeprom.action == EEepromAction::Erase ? 2
                                                                     : 3;
        const int given = int(m_invocation.arguments.size());
        if (given < wanted)
            return Fail(given == 1 ? u"ADDR missing"_s : u"FILE missing"_s);
        if (given > wanted)
            return Fail(u"unexpected argument %1"_s.arg(CliValues::Quoted(Argument(wanted))));
        const bool writes =
            m_eeprom.action == EEepromAction::Write || m_eeprom.action == EEepromAction::Erase;
        if (IsSet(VERIFY) && !writes)
            return Fail(u"--verify goes with write and erase"_s);
        m_eeprom.verify = IsSet(VERIFY);
        return true;
    }

    bool ParseAddress()
    {
        const auto address =
            CliValues::ParseAddress(Argument(1), m_plan.global.eightBit, u"ADDR"_s, m_error);
        if (!address)
            return false;
        m_plan.address = *address;
        m_plan.typedAddresses.push_back(*address);
        return true;
    }

    static QString Bytes(std::size_t count) { return Plural::Count(count, u"byte"_s, u"bytes"_s); }

    // A given --size, --page or --addr-width, checked against the preset's, `unit` and
    // `units` its noun for one and for more.
    bool Matches(const QString &option, std::size_t given, std::size_t preset, const QString &unit,
                 const QString &units)
    {
        if (given == preset)
            return true;
        return Fail(u"--%1 %2 does not match %3 (%4)"_s.arg(
            option, Value(option), QString::fromStdString(m_eeprom.part.name),
            Plural::Count(preset, unit, units)));
    }

    bool ParsePart()
    {
        std::optional<std::size_t> size;
        std::optional<std::size_t> page;
        std::optional<int> width;
        if (Has(SIZE)) {
            size = CliValues::ParseSize(Value(SIZE), 1, MAX_SIZE, u"--size"_s, m_error);
            if (!size)
                return false;
        }
        if (Has(PAGE)) {
            page =
                CliValues::ParseSize(Value(PAGE), 1, size.value_or(MAX_SIZE), u"--page"_s, m_error);
            if (!page)
                return false;
        }
        if (Has(ADDR_WIDTH)) {
            width = CliValues::ParseChoice(Value(ADDR_WIDTH), {1, 2}, u"--addr-width"_s, m_error);
            if (!width)
                return false;
        }
        if (Has(PART)) {
            const QString name = Value(PART);
            const auto preset = EepromParts::Find(name.toStdString());
            if (!preset) {
                return Fail(u"--part %1 is no known part; 'eeprom parts' lists them"_s.arg(
                    CliValues::Quoted(name)));
            }
            m_eeprom.part = *preset;
            if ((size && !Matches(SIZE, *size, preset->size, u"byte"_s, u"bytes"_s)) ||
                (page &&
                 !Matches(PAGE, *page, preset->pageSize, u"byte a page"_s, u"bytes a page"_s)) ||
                (width &&
                 !Matches(ADDR_WIDTH, std::size_t(*width), std::size_t(preset->addressBytes),
                          u"address byte"_s, u"address bytes"_s))) {
                return false;
            }
        } else {
            if (!size)
                return Fail(u"--part or --size missing: the EEPROM's part or size in bytes"_s);
            const bool writes =
                m_eeprom.action == EEepromAction::Write || m_eeprom.action == EEepromAction::Erase;
            if (!page && writes)
                return Fail(u"--page missing: writing needs the EEPROM's page size in bytes"_s);
            m_eeprom.part = EepromParts::Custom(*size, page.value_or(1),
                                                width.value_or(*size > ONE_BYTE_OFFSETS ? 2 : 1));
            const std::string wrong = EepromParts::CheckGeometry(m_eeprom.part);
            if (!wrong.empty())
                return Fail(u"not an EEPROM geometry: %1"_s.arg(QString::fromStdString(wrong)));
        }
        if (!EepromParts::IsBaseAddress(m_eeprom.part, m_plan.address)) {
            const auto base = std::uint8_t(m_plan.address & ~m_eeprom.part.BlockMask());
            return Fail(u"ADDR %1 is not a base address of %2: it answers from 0x%3 on"_s.arg(
                CliValues::Quoted(Argument(1)), PartName(),
                QString::number(base, 16).toUpper().rightJustified(2, u'0')));
        }
        m_plan.offsetWidth = m_eeprom.part.addressBytes;
        return true;
    }

    QString PartName() const
    {
        return m_eeprom.part.name.empty() ? u"the part"_s
                                          : QString::fromStdString(m_eeprom.part.name);
    }

    bool ParseRegion()
    {
        const std::size_t size = m_eeprom.part.size;
        if (Has(OFFSET)) {
            const auto offset = CliValues::ParseHexNumber(Value(OFFSET), std::uint32_t(size - 1),
                                                          u"--offset"_s, m_error);
            if (!offset)
                return false;
            m_eeprom.offset = *offset;
        }
        m_eeprom.length = size - m_eeprom.offset;
        if (Has(LENGTH)) {
            const auto length =
                CliValues::ParseSize(Value(LENGTH), 1, m_eeprom.length, u"--length"_s, m_error);
            if (!length)
                return false;
            m_eeprom.length = *length;
        }
        m_plan.from = m_eeprom.offset;
        m_plan.length = m_eeprom.length;
        return true;
    }

    bool ParseFile()
    {
        if (m_eeprom.action == EEepromAction::Erase)
            return true;
        m_eeprom.file = Argument(2);
        m_eeprom.format = ImageFile::FormatOf(m_eeprom.file);
        if (Has(FORMAT)) {
            const auto format = ImageFile::FormatNamed(Value(FORMAT));
            if (!format) {
                return Fail(u"--format %1 is not bin, ihex or srec"_s.arg(
                    CliValues::Quoted(Value(FORMAT))));
            }
            m_eeprom.format = *format;
        }
        if (m_eeprom.action == EEepromAction::Read) {
            COutputFile file(m_eeprom.file);
            if (!file.Check()) {
                return Fail(u"FILE %1 cannot be written: %2"_s.arg(CliValues::Quoted(m_eeprom.file),
                                                                   file.GetLastError()));
            }
            return true;
        }
        return LoadImage();
    }

    // "-": the image comes from standard input, in the format --format names or its text shows.
    bool LoadStandardInput(SMemoryImage &image, QString &why)
    {
        QByteArray bytes;
        if (!CliInputFile::ReadStandardInput(bytes, why))
            return false;
        if (!Has(FORMAT))
            m_eeprom.format = ImageFile::FormatOfContent(bytes);
        return ImageFile::Decode(bytes, m_eeprom.format, image, why);
    }

    bool LoadImage()
    {
        const QString quoted = CliValues::Quoted(m_eeprom.file);
        SMemoryImage image;
        QString why;
        const bool loaded = CliInputFile::IsStandardInput(m_eeprom.file)
                                ? LoadStandardInput(image, why)
                                : ImageFile::Load(m_eeprom.file, m_eeprom.format, image, why);
        if (!loaded)
            return Fail(u"FILE %1 cannot be read: %2"_s.arg(quoted, why));
        std::size_t overlap = 0;
        if (!image.Normalise(overlap)) {
            return Fail(u"FILE %1 gives offset 0x%2 twice"_s.arg(quoted).arg(
                QString::number(overlap, 16).toUpper()));
        }
        // The file's offsets count from --offset, in every format.
        if (m_eeprom.format == EImageFormat::Binary && image.ByteCount() > m_eeprom.length) {
            return Fail(u"FILE %1 holds %2, more than the %3 from offset 0x%4"_s.arg(
                quoted, Bytes(image.ByteCount()), Bytes(m_eeprom.length),
                QString::number(m_eeprom.offset, 16).toUpper()));
        }
        image.Shift(m_eeprom.offset);
        if (image.End() > m_eeprom.part.size) {
            return Fail(u"FILE %1 holds data up to offset 0x%2, beyond the part's %3"_s.arg(
                quoted, QString::number(image.End() - 1, 16).toUpper(), Bytes(m_eeprom.part.size)));
        }
        m_eeprom.image = image.Clipped(m_eeprom.offset, m_eeprom.length);
        if (m_eeprom.image.segments.empty())
            return Fail(u"FILE %1 holds no data within the region"_s.arg(quoted));
        return true;
    }

    const SCliInvocation &m_invocation;
    SCliPlan &m_plan;
    SCliEepromPlan &m_eeprom;
    QString &m_error;
};

} // namespace

bool Build(const SCliInvocation &invocation, SCliPlan &plan, SCliEepromPlan &eeprom, QString &error)
{
    return CEepromBuilder(invocation, plan, eeprom, error).Build();
}

} // namespace CliEepromPlan
