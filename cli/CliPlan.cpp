// SPDX-License-Identifier: MIT
#include "CliPlan.h"

#include "CI2cDeviceFile.h"
#include "CliSequencePlan.h"
#include "CliValues.h"
#include "CommandRequest.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace CliPlan {

namespace {

constexpr std::uint8_t DETECT_FIRST = I2cFacts::FIRST_REGULAR_ADDRESS;
constexpr std::uint8_t DETECT_LAST = I2cFacts::LAST_REGULAR_ADDRESS;
constexpr std::uint8_t ALL_LAST = I2cFacts::LAST_ADDRESS;
constexpr std::size_t ONE_BYTE_OFFSETS = 256;
constexpr std::uint32_t DUMP_DEFAULT_TO = 0xFF;

class CBuilder
{
public:
    CBuilder(const SCliInvocation &invocation, QString &error)
        : m_invocation(invocation)
        , m_error(error)
    {
        m_plan.command = invocation.spec->command;
        m_plan.commandName = invocation.spec->name;
        m_plan.global = invocation.global;
    }

    std::optional<SCliPlan> Build()
    {
        bool ok = true;
        switch (m_plan.command) {
        case ECliCommand::List:
            break;
        case ECliCommand::Detect:
            ok = BuildDetect();
            break;
        case ECliCommand::Read:
            ok = BuildRead();
            break;
        case ECliCommand::Write:
            ok = BuildWrite();
            break;
        case ECliCommand::Get:
            ok = BuildGet();
            break;
        case ECliCommand::Set:
            ok = BuildSet();
            break;
        case ECliCommand::Transfer:
            ok = BuildTransfer();
            break;
        case ECliCommand::Dump:
            ok = BuildDump();
            break;
        case ECliCommand::Eeprom:
            ok = BuildEeprom();
            break;
        case ECliCommand::Run:
            ok = BuildRun();
            break;
        case ECliCommand::Regs:
        case ECliCommand::Reg:
        case ECliCommand::Check:
            ok = CliRegisters::BuildPlan(m_invocation, m_plan, m_error);
            break;
        case ECliCommand::Script:
            ok = CliSequencePlan::BuildScript(m_invocation, m_plan, m_error);
            break;
        case ECliCommand::Parts:
            ok = BuildParts();
            break;
        }
        if (!ok || !CheckReservedAddresses())
            return std::nullopt;
        return m_plan;
    }

private:
    QString Argument(int index) const { return m_invocation.arguments.value(index); }
    bool HasValue(const QString &option) const { return m_invocation.values.contains(option); }
    QString Value(const QString &option) const { return m_invocation.values.value(option); }

    bool ParseAddressArgument(int index)
    {
        const auto address =
            CliValues::ParseAddress(Argument(index), m_plan.global.eightBit, u"ADDR"_s, m_error);
        if (address)
            m_plan.address = *address;
        return address.has_value();
    }

    // `tool` is the i2c-tools subcommand a mode letter after the bytes hints at.
    std::optional<std::vector<unsigned char>> ParseByteArguments(int from, const QString &tool)
    {
        std::vector<unsigned char> bytes;
        const auto count = m_invocation.arguments.size();
        for (int i = from; i < count; ++i) {
            const QString text = Argument(i);
            if (i > from && i == count - 1 && CliValues::IsModeLetter(text)) {
                m_error = CliValues::ModeLetterMessage(u"BYTE"_s, text, tool);
                return std::nullopt;
            }
            const auto part = CliValues::ParseBytes(text, u"BYTE"_s, m_error);
            if (!part)
                return std::nullopt;
            if (part->empty()) {
                m_error = u"BYTE %1 holds no byte"_s.arg(CliValues::Quoted(text));
                return std::nullopt;
            }
            bytes.insert(bytes.end(), part->begin(), part->end());
        }
        return bytes;
    }

    // The reserved addresses are refused unless asked for: 0 is also what a bus number typed
    // out of i2c-tools habit reads as, and would go out as a general call.
    bool CheckReservedAddresses()
    {
        // Only the commands with an ADDR (or transfer messages) are checked here; a device
        // file's own address is the file's business.
        switch (m_plan.command) {
        case ECliCommand::Read:
        case ECliCommand::Write:
        case ECliCommand::Get:
        case ECliCommand::Set:
        case ECliCommand::Transfer:
        case ECliCommand::Dump:
            break;
        case ECliCommand::Eeprom:
            if (m_plan.eeprom.action == EEepromAction::Parts)
                return true;
            break;
        default:
            return true;
        }
        if (m_plan.global.allAddresses)
            return true;
        std::vector<std::uint8_t> addresses;
        if (m_plan.command == ECliCommand::Transfer) {
            for (const STransferMessage &message : m_plan.messages)
                addresses.push_back(message.address);
        } else if (m_plan.requests.empty() || m_plan.requests.front().start) {
            addresses.push_back(m_plan.address);
        }
        for (const std::uint8_t address : addresses) {
            if (!CliValues::IsReservedAddress(address))
                continue;
            m_error = CliValues::ReservedAddressMessage(address, m_plan.global.eightBit);
            return false;
        }
        return true;
    }

    std::optional<std::vector<unsigned char>> ParseRegisterArgument(int index)
    {
        std::optional<int> width;
        if (HasValue(CliOption::REG_WIDTH)) {
            width = CliValues::ParseChoice(Value(CliOption::REG_WIDTH), {1, 2, 3, 4},
                                           u"--reg-width"_s, m_error);
            if (!width)
                return std::nullopt;
        }
        return CliValues::ParseRegister(Argument(index), width, u"REG"_s, m_error);
    }

    void NoteRead(std::size_t count, const QString &name)
    {
        if (count > m_plan.largestRead) {
            m_plan.largestRead = count;
            m_plan.largestReadName = name;
        }
    }

    bool BuildDetect()
    {
        const bool all = m_invocation.flags.contains(CliOption::ALL);
        m_plan.identify = m_invocation.flags.contains(CliOption::IDENTIFY);
        if (HasValue(CliOption::ALLOW_UNSAFE)) {
            if (!m_plan.identify) {
                m_error = u"--allow-unsafe needs --identify"_s;
                return false;
            }
            for (const QString &text : Value(CliOption::ALLOW_UNSAFE).split(u',')) {
                const auto address = CliValues::ParseAddress(
                    text.trimmed(), m_plan.global.eightBit, u"--allow-unsafe"_s, m_error);
                if (!address)
                    return false;
                m_plan.identifyAnyByte.push_back(*address);
            }
        }
        m_plan.requests.push_back(
            STransactionRequest::Search(all ? 0 : DETECT_FIRST, all ? ALL_LAST : DETECT_LAST));
        return true;
    }

    bool BuildParts()
    {
        m_plan.partsText = Argument(0);
        m_plan.partsPath = m_invocation.flags.contains(CliOption::PATH);
        if (m_plan.partsPath && m_plan.partsText.trimmed().isEmpty()) {
            m_error = u"--path needs the name of a part"_s;
            return false;
        }
        return true;
    }

    bool BuildRead()
    {
        if (!ParseAddressArgument(0))
            return false;
        const auto count = CliValues::ParseCount(Argument(1), 1, MAX_COUNT, u"COUNT"_s, m_error);
        if (!count)
            return false;
        NoteRead(*count, u"COUNT"_s);
        m_plan.requests.push_back(STransactionRequest::Read(m_plan.address, *count));
        return true;
    }

    bool BuildWrite()
    {
        if (!ParseAddressArgument(0))
            return false;
        const auto bytes = ParseByteArguments(1, u"i2ctransfer"_s);
        if (!bytes)
            return false;
        const bool start = !m_invocation.flags.contains(CliOption::NO_START);
        const bool stop = !m_invocation.flags.contains(CliOption::NO_STOP);
        if (!start && bytes->empty()) {
            m_error = u"BYTE missing: a write without a start sends no address byte, so it "
                      u"needs at least one byte"_s;
            return false;
        }
        m_plan.requests.push_back(STransactionRequest::Write(m_plan.address, *bytes, start, stop));
        return true;
    }

    bool BuildGet()
    {
        if (!ParseAddressArgument(0))
            return false;
        const auto reg = ParseRegisterArgument(1);
        if (!reg)
            return false;
        std::size_t count = 1;
        if (m_invocation.arguments.size() > 2 && CliValues::IsModeLetter(Argument(2))) {
            m_error = CliValues::ModeLetterMessage(u"COUNT"_s, Argument(2), u"i2cget"_s);
            return false;
        }
        if (m_invocation.arguments.size() > 2) {
            const auto parsed =
                CliValues::ParseCount(Argument(2), 1, MAX_COUNT, u"COUNT"_s, m_error);
            if (!parsed)
                return false;
            count = *parsed;
        }
        NoteRead(count, u"COUNT"_s);
        m_plan.requests.push_back(STransactionRequest::WriteRead(m_plan.address, *reg, count));
        return true;
    }

    bool BuildSet()
    {
        if (!ParseAddressArgument(0))
            return false;
        auto bytes = ParseRegisterArgument(1);
        if (!bytes)
            return false;
        const auto data = ParseByteArguments(2, u"i2cset"_s);
        if (!data)
            return false;
        bytes->insert(bytes->end(), data->begin(), data->end());
        m_plan.requests.push_back(STransactionRequest::Write(m_plan.address, *bytes));
        return true;
    }

    bool BuildTransfer()
    {
        auto messages =
            TransferMessages::Parse(m_invocation.arguments, m_plan.global.eightBit, m_error);
        if (!messages)
            return false;
        m_plan.messages = std::move(*messages);
        m_plan.requests = TransferMessages::ToRequests(m_plan.messages);
        for (std::size_t i = 0; i < m_plan.messages.size(); ++i) {
            const STransferMessage &message = m_plan.messages[i];
            if (message.read)
                NoteRead(message.count, u"message %1 (%2)"_s.arg(i + 1).arg(message.word));
        }
        m_plan.address = m_plan.messages.front().address;
        return true;
    }

    std::optional<int> OffsetWidth(const QString &option, const QString &name, int fallback)
    {
        if (!HasValue(option))
            return fallback;
        return CliValues::ParseChoice(Value(option), {1, 2}, name, m_error);
    }

    bool BuildDump()
    {
        if (!ParseAddressArgument(0))
            return false;
        const auto width = OffsetWidth(CliOption::REG_WIDTH, u"--reg-width"_s, 1);
        if (!width)
            return false;
        const std::uint32_t max = *width == 1 ? 0xFF : 0xFFFF;
        std::uint32_t from = 0;
        std::uint32_t to = std::min(DUMP_DEFAULT_TO, max);
        const QString widthNote = *width == 1 ? u" (more takes --reg-width 2)"_s : QString();
        if (HasValue(CliOption::FROM)) {
            const auto value =
                CliValues::ParseHexNumber(Value(CliOption::FROM), max, u"--from"_s, m_error);
            if (!value) {
                m_error += widthNote;
                return false;
            }
            from = *value;
        }
        if (HasValue(CliOption::TO)) {
            const auto value =
                CliValues::ParseHexNumber(Value(CliOption::TO), max, u"--to"_s, m_error);
            if (!value) {
                m_error += widthNote;
                return false;
            }
            to = *value;
        }
        if (from > to) {
            m_error =
                u"--from %1 lies after --to %2"_s.arg(Value(CliOption::FROM), Value(CliOption::TO));
            return false;
        }
        m_plan.offsetWidth = *width;
        m_plan.from = from;
        m_plan.length = std::size_t(to - from) + 1;
        return true;
    }

    bool BuildEeprom() { return CliEepromPlan::Build(m_invocation, m_plan, m_error); }

    bool BuildRun()
    {
        const QString path = Argument(0);
        CI2cDeviceFile device;
        if (!device.Load(path)) {
            m_error = u"FILE %1: %2"_s.arg(CliValues::Quoted(path), device.GetLastError());
            return false;
        }
        const QString label = Argument(1);
        const QList<SI2cCommand> &commands = device.GetCommands();
        const SI2cCommand *found = nullptr;
        for (const SI2cCommand &command : commands) {
            if (command.label == label) {
                found = &command;
                break;
            }
        }
        QStringList alike;
        for (const SI2cCommand &command : commands) {
            if (found != nullptr ||
                command.label.trimmed().compare(label.trimmed(), Qt::CaseInsensitive) != 0)
                continue;
            alike.append(CliValues::Quoted(command.label));
        }
        if (found == nullptr && alike.size() > 1) {
            m_error = u"LABEL %1 matches %2 of %3, which differ only in letter case; give one "
                      u"of them exactly"_s.arg(CliValues::Quoted(label), alike.join(u" and "_s),
                                               CliValues::Quoted(path));
            return false;
        }
        for (const SI2cCommand &command : commands) {
            if (found == nullptr &&
                command.label.trimmed().compare(label.trimmed(), Qt::CaseInsensitive) == 0)
                found = &command;
        }
        if (found == nullptr) {
            QStringList labels;
            for (const SI2cCommand &command : commands)
                labels.append(CliValues::Quoted(command.label));
            m_error = u"LABEL %1 is no command of %2; it has %3"_s.arg(
                CliValues::Quoted(label), CliValues::Quoted(path),
                labels.isEmpty() ? u"none"_s : labels.join(u", "_s));
            return false;
        }
        m_plan.runCommand = *found;
        m_plan.address = device.GetAddress();
        m_plan.file = path;
        if (found->type == EI2cCommandType::Sequence)
            return CliSequencePlan::BuildStored(m_invocation, m_plan, m_error);
        return BuildRunRequest(label);
    }

    bool BuildRunRequest(const QString &label)
    {
        const QString name = u"LABEL %1"_s.arg(CliValues::Quoted(label));
        ECommandRefusal refusal = ECommandRefusal::None;
        std::optional<STransactionRequest> request =
            CommandRequest::FromCommand(m_plan.address, m_plan.runCommand, refusal);
        if (!request) {
            m_error = CommandRequest::RefusalText(refusal, name);
            return false;
        }
        if (request->kind != ETransactionKind::Write)
            NoteRead(request->count, name);
        m_plan.requests.push_back(std::move(*request));
        return true;
    }

    const SCliInvocation &m_invocation;
    QString &m_error;
    SCliPlan m_plan;
};

} // namespace

std::optional<SCliPlan> Build(const SCliInvocation &invocation, QString &error)
{
    if (invocation.spec == nullptr) {
        error = u"no command given"_s;
        return std::nullopt;
    }
    return CBuilder(invocation, error).Build();
}

} // namespace CliPlan
