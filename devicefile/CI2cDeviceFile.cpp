// SPDX-License-Identifier: MIT
#include "CI2cDeviceFile.h"

#include "AtomicFile.h"
#include "I2cFacts.h"
#include "JsonText.h"
#include "NumberText.h"
#include "PartKeysJson.h"
#include "RegisterMapJson.h"
#include "SequenceCommand.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QLatin1String>

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

using namespace Qt::StringLiterals;

const QString CI2cDeviceFile::FILE_SUFFIX = u"i2cdev"_s;

namespace {

// A lookup by type name only finds a type once it has been registered; doing it at start-up
// makes the name known before the first command travels in a signal or a variant.
[[maybe_unused]] const int I2C_COMMAND_META_TYPE = qRegisterMetaType<SI2cCommand>();

const QString KEY_VERSION = u"version"_s;
const QString KEY_NAME = u"name"_s;
const QString KEY_ADDRESS = u"address"_s;
const QString KEY_DESCRIPTION = u"description"_s;
const QString KEY_COMMANDS = u"commands"_s;
const QString KEY_LABEL = u"label"_s;
const QString KEY_TYPE = u"type"_s;
const QString KEY_MODE = u"mode"_s;
const QString KEY_DATA = u"data"_s;
const QString KEY_COUNT = u"count"_s;
const QString KEY_VALUE = u"value"_s;
const QString KEY_OFFSET = u"offset"_s;
const QString KEY_SCALE = u"scale"_s;
const QString KEY_ADD = u"add"_s;
const QString KEY_UNIT = u"unit"_s;

const QString TYPE_WRITE = u"write"_s;
const QString TYPE_READ = u"read"_s;
const QString TYPE_WRITE_READ = u"writeread"_s;

constexpr std::array<std::pair<EI2cWriteMode, const char *>, 4> MODE_NAMES{{
    {EI2cWriteMode::Auto, "auto"},
    {EI2cWriteMode::Start, "start"},
    {EI2cWriteMode::Stop, "stop"},
    {EI2cWriteMode::None, "none"},
}};

// Files are written in the oldest version that holds what they carry (version 2 added the
// write/read kind and value decodings, version 3 register maps, version 4 sequences), so that
// older readers keep reading every file they can.
constexpr qint64 FILE_VERSION_BASIC = 1;
constexpr qint64 FILE_VERSION_VALUES = 2;
constexpr qint64 FILE_VERSION_REGISTERS = 3;
constexpr qint64 FILE_VERSION = SequenceCommand::FILE_VERSION;
constexpr auto MAX_READ_COUNT = qint64(I2cFacts::MAX_READ_COUNT);

// A device file is a hand-sized list (the example is under 1 KiB; 4 MiB holds some 100,000
// commands): the cap keeps a stray huge file from holding up the panel's reload for seconds
// and hundreds of megabytes.
constexpr qint64 MAX_FILE_SIZE = 4 * 1024 * 1024;

const QString INDENT = u"    "_s;
const QString COMMAND_INDENT = u"        "_s;

constexpr auto &JsonString = JsonText::String;
constexpr auto &JsonPair = JsonText::Pair;
constexpr auto &JsonNumber = JsonText::Number;

QString ValueObject(const SValueDecoding &value)
{
    return u"{ "_s + JsonPair(KEY_OFFSET, QString::number(value.offset)) + u", "_s +
           JsonPair(KEY_TYPE, JsonString(SValueDecoding::TypeWord(value.type))) + u", "_s +
           JsonPair(KEY_SCALE, JsonNumber(value.scale)) + u", "_s +
           JsonPair(KEY_ADD, JsonNumber(value.add)) + u", "_s +
           JsonPair(KEY_UNIT, JsonString(value.unit)) + u" }"_s;
}

const char *ModeWord(EI2cWriteMode mode)
{
    for (const auto &[value, word] : MODE_NAMES) {
        if (value == mode)
            return word;
    }
    return MODE_NAMES.front().second;
}

std::optional<EI2cWriteMode> ModeFromWord(const QString &word)
{
    for (const auto &[value, name] : MODE_NAMES) {
        if (word.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}

QString CommandLine(const SI2cCommand &command)
{
    QString line = COMMAND_INDENT + u"{ "_s + JsonPair(KEY_LABEL, JsonString(command.label));
    if (command.type == EI2cCommandType::Read) {
        line += u", "_s + JsonPair(KEY_TYPE, JsonString(TYPE_READ));
        line += u", "_s + JsonPair(KEY_COUNT, QString::number(command.count));
    } else if (command.type == EI2cCommandType::Sequence) {
        line += u", "_s + SequenceCommand::Pairs(command);
    } else if (command.type == EI2cCommandType::WriteRead) {
        line += u", "_s + JsonPair(KEY_TYPE, JsonString(TYPE_WRITE_READ));
        line += u", "_s + JsonPair(KEY_DATA, JsonString(CI2cDeviceFile::BytesToHex(command.data)));
        line += u", "_s + JsonPair(KEY_COUNT, QString::number(command.count));
    } else {
        line += u", "_s + JsonPair(KEY_TYPE, JsonString(TYPE_WRITE));
        line +=
            u", "_s + JsonPair(KEY_MODE, JsonString(QString::fromLatin1(ModeWord(command.mode))));
        line += u", "_s + JsonPair(KEY_DATA, JsonString(CI2cDeviceFile::BytesToHex(command.data)));
    }
    if (command.value &&
        (command.type == EI2cCommandType::Read || command.type == EI2cCommandType::WriteRead))
        line += u", "_s + JsonPair(KEY_VALUE, ValueObject(*command.value));
    return line + u" }"_s;
}

struct SDeviceData
{
    QString name;
    unsigned char address = 0;
    QString description;
    QList<SI2cCommand> commands;
    std::optional<SRegisterMap> registers;
    std::vector<unsigned char> addresses;
    std::vector<SIdentifyRule> identify;
    std::optional<SFirstByte> firstByte;
};

QString TooLargeText(qint64 size)
{
    return u"File size %1 bytes is larger than supported (%2)"_s.arg(size).arg(MAX_FILE_SIZE);
}

// A file too large or not a file at all is refused as a wrong argument, the rest is I/O.
bool ReadFileBytes(const QString &path, QByteArray &bytes, QString &error, EFailureKind &kind)
{
    kind = EFailureKind::InvalidArgument;
    // Opening a pipe or a device node for reading can block forever or never end.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile() && !info.isDir()) {
        error = u"Not a regular file"_s;
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        kind = EFailureKind::FileIo;
        error = file.errorString();
        return false;
    }
    const auto tooLarge = [&error](qint64 size) {
        error = TooLargeText(size);
        return false;
    };
    if (file.size() > MAX_FILE_SIZE)
        return tooLarge(file.size());
    bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        kind = EFailureKind::FileIo;
        error = file.errorString();
        return false;
    }
    if (bytes.size() > MAX_FILE_SIZE)
        return tooLarge(bytes.size());
    return true;
}

std::optional<unsigned char> ParseAddress(const QJsonValue &value)
{
    const std::optional<std::uint64_t> address = JsonText::ParseNumberOrHex(value);
    if (!address || *address > I2cFacts::LAST_ADDRESS)
        return std::nullopt;
    return static_cast<unsigned char>(*address);
}

// The optional value decoding of a read or write/read; absent keys take their defaults,
// present ones must be of the right kind and range.
std::optional<SValueDecoding> ParseValue(const QJsonValue &json)
{
    if (!json.isObject())
        return std::nullopt;
    const QJsonObject object = json.toObject();
    SValueDecoding value;
    const QJsonValue offset = object.value(KEY_OFFSET);
    if (!offset.isUndefined()) {
        const qint64 number = offset.toInteger(-1);
        if (!offset.isDouble() || number < 0 || number >= MAX_READ_COUNT)
            return std::nullopt;
        value.offset = std::size_t(number);
    }
    const std::optional<EValueType> type =
        SValueDecoding::TypeFromWord(object.value(KEY_TYPE).toString());
    if (!type)
        return std::nullopt;
    value.type = *type;
    for (const auto &[key, target] :
         {std::pair{KEY_SCALE, &value.scale}, std::pair{KEY_ADD, &value.add}}) {
        const QJsonValue number = object.value(key);
        if (number.isUndefined())
            continue;
        if (!number.isDouble() || !std::isfinite(number.toDouble()))
            return std::nullopt;
        *target = number.toDouble();
    }
    const QJsonValue unit = object.value(KEY_UNIT);
    if (!unit.isUndefined() && !unit.isString())
        return std::nullopt;
    value.unit = unit.toString();
    if (value.BytesNeeded() > std::size_t(MAX_READ_COUNT))
        return std::nullopt;
    return value;
}

bool ParseCommandKind(const QJsonObject &object, qsizetype position, SI2cCommand &command,
                      QString &error)
{
    command.label = object.value(KEY_LABEL).toString();
    const QString type = object.value(KEY_TYPE).toString();
    if (type.compare(TYPE_READ, Qt::CaseInsensitive) == 0) {
        command.type = EI2cCommandType::Read;
        const qint64 count = object.value(KEY_COUNT).toInteger(0);
        if (count < 1 || count > MAX_READ_COUNT) {
            error = u"Command %1: invalid read count"_s.arg(position);
            return false;
        }
        command.count = static_cast<std::int32_t>(count);
        return true;
    }
    if (type.compare(TYPE_WRITE, Qt::CaseInsensitive) == 0) {
        std::optional<EI2cWriteMode> mode = EI2cWriteMode::Auto;
        if (object.contains(KEY_MODE))
            mode = ModeFromWord(object.value(KEY_MODE).toString());
        std::optional<std::vector<unsigned char>> data =
            NumberText::ParseBytes(object.value(KEY_DATA).toString());
        if (!mode || !data) {
            error = u"Command %1: invalid mode or data"_s.arg(position);
            return false;
        }
        command.mode = *mode;
        command.data = std::move(*data);
        return true;
    }
    if (type.compare(TYPE_WRITE_READ, Qt::CaseInsensitive) == 0) {
        command.type = EI2cCommandType::WriteRead;
        std::optional<std::vector<unsigned char>> data =
            NumberText::ParseBytes(object.value(KEY_DATA).toString());
        const qint64 count = object.value(KEY_COUNT).toInteger(0);
        if (!data || data->empty() || count < 1 || count > MAX_READ_COUNT) {
            error = u"Command %1: invalid data or read count"_s.arg(position);
            return false;
        }
        command.data = std::move(*data);
        command.count = static_cast<std::int32_t>(count);
        return true;
    }
    if (SequenceCommand::IsTypeWord(type))
        return SequenceCommand::Read(object, position, command, error);
    error = u"Command %1: unknown type \"%2\""_s.arg(position).arg(type);
    return false;
}

bool ParseCommand(const QJsonObject &object, qsizetype position, SI2cCommand &command,
                  QString &error)
{
    if (!ParseCommandKind(object, position, command, error))
        return false;
    if (command.type == EI2cCommandType::Write || command.type == EI2cCommandType::Sequence ||
        !object.contains(KEY_VALUE))
        return true;
    command.value = ParseValue(object.value(KEY_VALUE));
    if (!command.value) {
        error = u"Command %1: invalid value decoding"_s.arg(position);
        return false;
    }
    return true;
}

// The lowest version whose readers understand every command and the register map.
qint64 RequiredVersion(const QList<SI2cCommand> &commands,
                       const std::optional<SRegisterMap> &registers)
{
    qint64 version = registers ? FILE_VERSION_REGISTERS : FILE_VERSION_BASIC;
    for (const SI2cCommand &command : commands) {
        if (command.type == EI2cCommandType::Sequence)
            version = std::max(version, SequenceCommand::FILE_VERSION);
        else if (command.type == EI2cCommandType::WriteRead ||
                 (command.value && command.type == EI2cCommandType::Read))
            version = std::max(version, FILE_VERSION_VALUES);
    }
    return version;
}

bool ParseDevice(const QByteArray &bytes, SDeviceData &device, QString &error)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
    if (document.isNull()) {
        error = JsonText::ParseErrorText(bytes, parseError);
        return false;
    }
    const QJsonObject root = document.object();

    const qint64 version = root.value(KEY_VERSION).toInteger(0);
    if (version > FILE_VERSION) {
        error = u"File version %1 is newer than supported (%2)"_s.arg(version).arg(FILE_VERSION);
        return false;
    }

    const std::optional<unsigned char> address = ParseAddress(root.value(KEY_ADDRESS));
    if (!address) {
        error = u"Invalid or missing address"_s;
        return false;
    }

    const QJsonArray commands = root.value(KEY_COMMANDS).toArray();
    device.commands.reserve(commands.size());
    qsizetype position = 0;
    for (const QJsonValue &element : commands) {
        SI2cCommand command;
        if (!ParseCommand(element.toObject(), ++position, command, error))
            return false;
        device.commands.append(std::move(command));
    }

    if (root.contains(RegisterMapJson::KEY_REGISTERS)) {
        device.registers =
            RegisterMapJson::Parse(root.value(RegisterMapJson::KEY_REGISTERS), error);
        if (!device.registers)
            return false;
    }

    if (root.contains(PartKeysJson::KEY_ADDRESSES)) {
        std::optional<std::vector<unsigned char>> addresses =
            PartKeysJson::ParseAddresses(root.value(PartKeysJson::KEY_ADDRESSES), error);
        if (!addresses)
            return false;
        device.addresses = std::move(*addresses);
    }
    if (root.contains(PartKeysJson::KEY_FIRST_BYTE)) {
        device.firstByte =
            PartKeysJson::ParseFirstByte(root.value(PartKeysJson::KEY_FIRST_BYTE), error);
        if (!device.firstByte)
            return false;
    }
    if (root.contains(PartKeysJson::KEY_IDENTIFY)) {
        std::optional<std::vector<SIdentifyRule>> rules =
            PartKeysJson::ParseIdentify(root.value(PartKeysJson::KEY_IDENTIFY), error);
        if (!rules || !PartKeysJson::CheckIdentify(*rules, device.registers, error))
            return false;
        device.identify = std::move(*rules);
    }

    device.name = root.value(KEY_NAME).toString();
    device.address = *address;
    device.description = root.value(KEY_DESCRIPTION).toString();
    return true;
}

} // namespace

void CI2cDeviceFile::AddCommand(const SI2cCommand &command)
{
    m_commands.append(command);
}

void CI2cDeviceFile::RemoveCommand(int index)
{
    if (index >= 0 && index < m_commands.size())
        m_commands.removeAt(index);
}

void CI2cDeviceFile::RenameCommand(int index, const QString &label)
{
    if (index >= 0 && index < m_commands.size())
        m_commands[index].label = label;
}

void CI2cDeviceFile::ReplaceCommand(int index, const SI2cCommand &command)
{
    if (index >= 0 && index < m_commands.size())
        m_commands[index] = command;
}

bool CI2cDeviceFile::IsValidCommand(const SI2cCommand &command)
{
    if (command.type == EI2cCommandType::Sequence)
        return SequenceCommand::IsValid(command);
    if (command.value && command.type != EI2cCommandType::Write) {
        const SValueDecoding &value = *command.value;
        if (!std::isfinite(value.scale) || !std::isfinite(value.add) ||
            value.BytesNeeded() > std::size_t(MAX_READ_COUNT))
            return false;
    }
    const bool countValid = command.count >= 1 && command.count <= MAX_READ_COUNT;
    switch (command.type) {
    case EI2cCommandType::Read:
        return countValid;
    case EI2cCommandType::WriteRead:
        return countValid && !command.data.empty();
    case EI2cCommandType::Write:
        return static_cast<int>(command.mode) >= 0 &&
               static_cast<std::size_t>(command.mode) < MODE_NAMES.size();
    case EI2cCommandType::Sequence:
        break;
    }
    return false;
}

bool CI2cDeviceFile::MoveCommand(int index, int delta)
{
    // 64-bit sum: a caller's extreme delta must be refused, not wrap around.
    const qint64 target = qint64(index) + delta;
    if (index < 0 || target < 0 || index >= m_commands.size() || target >= m_commands.size())
        return false;
    if (delta != 0)
        m_commands.move(index, qsizetype(target));
    return true;
}

bool CI2cDeviceFile::HasCommandLabel(const QString &label, int exceptIndex) const
{
    const QString wanted = label.trimmed();
    for (qsizetype i = 0; i < m_commands.size(); ++i) {
        if (i != exceptIndex &&
            m_commands.at(i).label.trimmed().compare(wanted, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString CI2cDeviceFile::BytesToHex(const std::vector<unsigned char> &bytes)
{
    static constexpr char16_t DIGITS[] = u"0123456789ABCDEF";
    if (bytes.empty())
        return {};
    QString text(qsizetype(bytes.size()) * 3 - 1, u' ');
    QChar *out = text.data();
    for (const unsigned char byte : bytes) {
        *out++ = QChar(DIGITS[byte >> 4]);
        *out++ = QChar(DIGITS[byte & 0x0F]);
        ++out;
    }
    return text;
}

bool CI2cDeviceFile::Load(const QString &path)
{
    m_filePath = path;
    QByteArray bytes;
    if (!ReadFileBytes(path, bytes, m_lastError, m_lastErrorKind))
        return false;
    return LoadText(bytes);
}

bool CI2cDeviceFile::LoadText(const QByteArray &bytes)
{
    if (bytes.size() > MAX_FILE_SIZE) {
        m_lastError = TooLargeText(bytes.size());
        m_lastErrorKind = EFailureKind::InvalidArgument;
        return false;
    }
    SDeviceData device;
    if (!ParseDevice(bytes, device, m_lastError)) {
        m_lastErrorKind = EFailureKind::InvalidArgument;
        return false;
    }
    m_lastErrorKind = EFailureKind::None;
    m_name = std::move(device.name);
    m_address = device.address;
    m_description = std::move(device.description);
    m_commands = std::move(device.commands);
    m_registers = std::move(device.registers);
    m_addresses = std::move(device.addresses);
    m_identify = std::move(device.identify);
    m_firstByte = std::move(device.firstByte);
    return true;
}

SFirstByte CI2cDeviceFile::EffectiveFirstByte() const
{
    if (m_firstByte)
        return *m_firstByte;
    SFirstByte assumed;
    if (!m_registers) {
        assumed.kind = SFirstByte::EKind::Configuration;
        assumed.meaning = u"a byte it may act on"_s;
    }
    return assumed;
}

bool CI2cDeviceFile::Save() const
{
    const QString addressText = NumberText::Hex(m_address, 2);
    QString text = u"{\n"_s;
    // A file whose parts contradict each other is refused before anything touches the disk.
    m_lastErrorKind = EFailureKind::InvalidArgument;
    if (m_registers && !RegisterMapJson::Check(*m_registers, m_lastError))
        return false;
    if (!PartKeysJson::CheckIdentify(m_identify, m_registers, m_lastError))
        return false;
    text += INDENT +
            JsonPair(KEY_VERSION, QString::number(RequiredVersion(m_commands, m_registers))) +
            u",\n"_s;
    text += INDENT + JsonPair(KEY_NAME, JsonString(m_name)) + u",\n"_s;
    text += INDENT + JsonPair(KEY_ADDRESS, JsonString(addressText)) + u",\n"_s;
    if (!m_addresses.empty())
        text += PartKeysJson::WriteAddresses(m_addresses, INDENT) + u",\n"_s;
    if (m_firstByte)
        text += PartKeysJson::WriteFirstByte(*m_firstByte, INDENT) + u",\n"_s;
    text += INDENT + JsonPair(KEY_DESCRIPTION, JsonString(m_description)) + u",\n"_s;
    if (m_commands.isEmpty()) {
        text += INDENT + JsonPair(KEY_COMMANDS, u"[]"_s);
    } else {
        text += INDENT + JsonPair(KEY_COMMANDS, u"["_s) + u"\n"_s;
        for (qsizetype i = 0; i < m_commands.size(); ++i) {
            text += CommandLine(m_commands.at(i));
            text += i + 1 < m_commands.size() ? u",\n"_s : u"\n"_s;
        }
        text += INDENT + u"]"_s;
    }
    if (m_registers)
        text += u",\n"_s + RegisterMapJson::Write(*m_registers, INDENT);
    if (m_registers && !m_identify.empty())
        text += u",\n"_s + PartKeysJson::WriteIdentify(m_identify, *m_registers, INDENT);
    text += u"\n}\n"_s;

    // A file that Load would refuse is not written: its device would turn into an error row.
    const QByteArray bytes = text.toUtf8();
    if (bytes.size() > MAX_FILE_SIZE) {
        m_lastError = TooLargeText(bytes.size());
        return false;
    }

    if (!AtomicFile::Write(m_filePath, bytes, m_lastError)) {
        m_lastErrorKind = EFailureKind::FileIo;
        return false;
    }
    m_lastErrorKind = EFailureKind::None;
    return true;
}

bool CI2cDeviceFile::SaveAs(const QString &path)
{
    m_filePath = path;
    return Save();
}
