// SPDX-License-Identifier: MIT
#include "RegisterMapJson.h"

#include "JsonText.h"
#include "NumberText.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace RegisterMapJson {

namespace {

const QString KEY_ADDRESS_BYTES = u"addressBytes"_s;
const QString KEY_BYTE_ORDER = u"byteOrder"_s;
const QString KEY_AUTO_INCREMENT = u"autoIncrement"_s;
const QString KEY_LIST = u"list"_s;
const QString KEY_NAME = u"name"_s;
const QString KEY_ADDRESS = u"address"_s;
const QString KEY_SIZE = u"size"_s;
const QString KEY_ACCESS = u"access"_s;
const QString KEY_RESET = u"reset"_s;
const QString KEY_DESCRIPTION = u"description"_s;
const QString KEY_FIELDS = u"fields"_s;
const QString KEY_BITS = u"bits"_s;
const QString KEY_SIGNED = u"signed"_s;
const QString KEY_ENUM = u"enum"_s;
const QString KEY_SCALE = u"scale"_s;
const QString KEY_ADD = u"add"_s;
const QString KEY_UNIT = u"unit"_s;

const QString ORDER_BIG = u"big"_s;
const QString ORDER_LITTLE = u"little"_s;

constexpr int MAX_SIZE = 4;

std::uint64_t AddressLimit(int addressBytes)
{
    return std::uint64_t(1) << (8 * addressBytes);
}

std::uint64_t ValueLimit(int bits)
{
    return std::uint64_t(1) << bits;
}

// An enum key: decimal, or hex with "0x".
std::optional<std::uint32_t> ParseEnumKey(const QString &key)
{
    const std::optional<std::uint64_t> value =
        NumberText::ParseHexOrDecimal(QStringView(key).trimmed(), NumberText::MAX_32_BIT);
    return value ? std::optional<std::uint32_t>(*value) : std::nullopt;
}

// "N" or "MSB:LSB".
bool ParseBits(const QJsonValue &value, SRegisterField &field)
{
    static const QRegularExpression pattern(u"^\\s*(\\d{1,2})\\s*(?::\\s*(\\d{1,2})\\s*)?$"_s);
    const QRegularExpressionMatch match = pattern.match(value.toString());
    if (!value.isString() || !match.hasMatch())
        return false;
    field.msb = match.captured(1).toInt();
    field.lsb = match.hasCaptured(2) ? match.captured(2).toInt() : field.msb;
    return field.msb >= field.lsb;
}

class CParser
{
public:
    explicit CParser(QString &error)
        : m_error(error)
    {}

    std::optional<SRegisterMap> Map(const QJsonValue &json)
    {
        if (!json.isObject())
            return Fail(u"Registers: not an object"_s);
        const QJsonObject object = json.toObject();
        SRegisterMap map;
        const QJsonValue addressBytes = object.value(KEY_ADDRESS_BYTES);
        if (!addressBytes.isUndefined()) {
            const qint64 bytes = addressBytes.toInteger(0);
            if (!addressBytes.isDouble() || (bytes != 1 && bytes != 2))
                return Fail(u"Registers: addressBytes must be 1 or 2"_s);
            map.addressBytes = int(bytes);
        }
        const QJsonValue order = object.value(KEY_BYTE_ORDER);
        if (order == ORDER_LITTLE)
            map.byteOrder = ERegisterByteOrder::Little;
        else if (!order.isUndefined() && order != ORDER_BIG)
            return Fail(u"Registers: byteOrder must be \"big\" or \"little\""_s);
        const QJsonValue autoIncrement = object.value(KEY_AUTO_INCREMENT);
        if (!autoIncrement.isUndefined() && !autoIncrement.isBool())
            return Fail(u"Registers: autoIncrement must be true or false"_s);
        map.autoIncrement = autoIncrement.toBool(false);
        const QJsonValue list = object.value(KEY_LIST);
        if (!list.isUndefined() && !list.isArray())
            return Fail(u"Registers: list must be an array"_s);
        const QJsonArray registers = list.toArray();
        map.registers.reserve(registers.size());
        qsizetype position = 0;
        for (const QJsonValue &element : registers) {
            std::optional<SRegister> reg = Register(element, ++position, map.addressBytes);
            if (!reg)
                return std::nullopt;
            map.registers.append(std::move(*reg));
        }
        if (!Check(map, m_error))
            return std::nullopt;
        return map;
    }

private:
    std::nullopt_t Fail(const QString &message)
    {
        m_error = message;
        return std::nullopt;
    }

    std::optional<SRegister> Register(const QJsonValue &json, qsizetype position, int addressBytes)
    {
        const QJsonObject object = json.toObject();
        SRegister reg;
        reg.name = object.value(KEY_NAME).toString();
        // Messages name the register; one without a usable name by its position.
        const QString who = reg.name.isEmpty() ? QString::number(position) : reg.name;
        if (!json.isObject())
            return Fail(u"Register %1: not an object"_s.arg(position));
        const std::optional<std::uint64_t> address =
            JsonText::ParseNumberOrHex(object.value(KEY_ADDRESS));
        if (!address || *address >= AddressLimit(addressBytes))
            return Fail(u"Register %1: invalid address"_s.arg(who));
        reg.address = std::uint32_t(*address);
        const QJsonValue size = object.value(KEY_SIZE);
        if (!size.isUndefined()) {
            const qint64 bytes = size.toInteger(0);
            if (!size.isDouble() || bytes < 1 || bytes > MAX_SIZE)
                return Fail(u"Register %1: size must be 1 to 4 bytes"_s.arg(who));
            reg.size = int(bytes);
        }
        const QJsonValue access = object.value(KEY_ACCESS);
        if (!access.isUndefined()) {
            const std::optional<ERegisterAccess> parsed =
                RegisterAccess::FromWord(access.toString());
            if (!parsed || *parsed == ERegisterAccess::WriteOneClears ||
                *parsed == ERegisterAccess::Sticky)
                return Fail(u"Register %1: access must be rw, ro, wo or rc"_s.arg(who));
            reg.access = *parsed;
        }
        const QJsonValue reset = object.value(KEY_RESET);
        if (!reset.isUndefined()) {
            const std::optional<std::uint64_t> value = JsonText::ParseNumberOrHex(reset);
            if (!value || *value >= ValueLimit(8 * reg.size))
                return Fail(u"Register %1: invalid reset value"_s.arg(who));
            reg.reset = std::uint32_t(*value);
        }
        if (!Text(object, KEY_DESCRIPTION, reg.description))
            return Fail(u"Register %1: description must be a text"_s.arg(who));
        const QJsonValue fields = object.value(KEY_FIELDS);
        if (!fields.isUndefined() && !fields.isArray())
            return Fail(u"Register %1: fields must be an array"_s.arg(who));
        qsizetype fieldPosition = 0;
        for (const QJsonValue &element : fields.toArray()) {
            std::optional<SRegisterField> field = Field(element, who, ++fieldPosition);
            if (!field)
                return std::nullopt;
            reg.fields.append(std::move(*field));
        }
        return reg;
    }

    std::optional<SRegisterField> Field(const QJsonValue &json, const QString &reg,
                                        qsizetype position)
    {
        const QJsonObject object = json.toObject();
        SRegisterField field;
        field.name = object.value(KEY_NAME).toString();
        const QString who = field.name.isEmpty() ? QString::number(position) : field.name;
        const auto fail = [&](const QString &what) {
            return Fail(u"Register %1: field %2 %3"_s.arg(reg, who, what));
        };
        if (field.name.isEmpty())
            return fail(u"has no name"_s);
        if (!ParseBits(object.value(KEY_BITS), field))
            return fail(u"has invalid bits (\"N\" or \"MSB:LSB\")"_s);
        const QJsonValue access = object.value(KEY_ACCESS);
        if (!access.isUndefined()) {
            field.access = RegisterAccess::FromWord(access.toString());
            if (!field.access)
                return fail(u"has an invalid access (rw, ro, wo, rc, w1c or sticky)"_s);
        }
        const QJsonValue isSigned = object.value(KEY_SIGNED);
        if (!isSigned.isUndefined() && !isSigned.isBool())
            return fail(u"has a signed that is not true or false"_s);
        field.isSigned = isSigned.toBool(false);
        const QJsonValue enumTexts = object.value(KEY_ENUM);
        if (!enumTexts.isUndefined()) {
            if (!enumTexts.isObject())
                return fail(u"has an enum that is not an object"_s);
            const QJsonObject texts = enumTexts.toObject();
            for (auto it = texts.begin(); it != texts.end(); ++it) {
                const std::optional<std::uint32_t> key = ParseEnumKey(it.key());
                if (!key || !it.value().isString())
                    return fail(u"has an invalid enum entry \"%1\""_s.arg(it.key()));
                field.enumTexts.emplace_back(*key, it.value().toString());
            }
            std::sort(field.enumTexts.begin(), field.enumTexts.end());
            const auto same = [](const auto &a, const auto &b) {
                return a.first == b.first;
            };
            if (std::adjacent_find(field.enumTexts.begin(), field.enumTexts.end(), same) !=
                field.enumTexts.end())
                return fail(u"has two enum entries of one value"_s);
        }
        for (const auto &[key, target] :
             {std::pair{KEY_SCALE, &field.scale}, std::pair{KEY_ADD, &field.add}}) {
            const QJsonValue number = object.value(key);
            if (number.isUndefined())
                continue;
            if (!number.isDouble() || !std::isfinite(number.toDouble()))
                return fail(u"has a %1 that is no number"_s.arg(key));
            *target = number.toDouble();
        }
        if (!Text(object, KEY_UNIT, field.unit))
            return fail(u"has a unit that is not a text"_s);
        if (!Text(object, KEY_DESCRIPTION, field.description))
            return fail(u"has a description that is not a text"_s);
        return field;
    }

    static bool Text(const QJsonObject &object, const QString &key, QString &target)
    {
        const QJsonValue value = object.value(key);
        if (!value.isUndefined() && !value.isString())
            return false;
        target = value.toString();
        return true;
    }

    QString &m_error;
};

bool IsRegisterName(const QString &name)
{
    static const QRegularExpression pattern(u"^[A-Za-z_][A-Za-z0-9_]*$"_s);
    return pattern.match(name).hasMatch();
}

QString BitsText(const SRegisterField &field)
{
    if (field.msb == field.lsb)
        return QString::number(field.msb);
    return u"%1:%2"_s.arg(field.msb).arg(field.lsb);
}

QString FieldLine(const SRegisterField &field)
{
    using JsonText::Pair;
    using JsonText::String;
    QStringList pairs{Pair(KEY_NAME, String(field.name)), Pair(KEY_BITS, String(BitsText(field)))};
    if (field.access)
        pairs.append(Pair(KEY_ACCESS, String(RegisterAccess::Word(*field.access))));
    if (field.isSigned)
        pairs.append(Pair(KEY_SIGNED, u"true"_s));
    if (!field.enumTexts.empty()) {
        QStringList entries;
        for (const auto &[value, text] : field.enumTexts)
            entries.append(Pair(QString::number(value), String(text)));
        pairs.append(Pair(KEY_ENUM, u"{ "_s + entries.join(u", "_s) + u" }"_s));
    }
    if (field.scale != 1.0)
        pairs.append(Pair(KEY_SCALE, JsonText::Number(field.scale)));
    if (field.add != 0.0)
        pairs.append(Pair(KEY_ADD, JsonText::Number(field.add)));
    if (!field.unit.isEmpty())
        pairs.append(Pair(KEY_UNIT, String(field.unit)));
    if (!field.description.isEmpty())
        pairs.append(Pair(KEY_DESCRIPTION, String(field.description)));
    return u"{ "_s + pairs.join(u", "_s) + u" }"_s;
}

QString RegisterLines(const SRegister &reg, int addressBytes, const QString &indent)
{
    using JsonText::Pair;
    using JsonText::String;
    QStringList pairs{Pair(KEY_NAME, String(reg.name)),
                      Pair(KEY_ADDRESS, String(NumberText::Hex(reg.address, 2 * addressBytes))),
                      Pair(KEY_SIZE, QString::number(reg.size)),
                      Pair(KEY_ACCESS, String(RegisterAccess::Word(reg.access)))};
    if (reg.reset)
        pairs.append(Pair(KEY_RESET, String(NumberText::Hex(*reg.reset, 2 * reg.size))));
    if (!reg.description.isEmpty())
        pairs.append(Pair(KEY_DESCRIPTION, String(reg.description)));
    if (reg.fields.isEmpty())
        return indent + u"{ "_s + pairs.join(u", "_s) + u" }"_s;
    QString text = indent + u"{ "_s + pairs.join(u", "_s) + u", "_s + Pair(KEY_FIELDS, u"["_s);
    for (qsizetype i = 0; i < reg.fields.size(); ++i) {
        text += u"\n"_s + indent + u"    "_s + FieldLine(reg.fields.at(i));
        if (i + 1 < reg.fields.size())
            text += u","_s;
    }
    return text + u"\n"_s + indent + u"] }"_s;
}

} // namespace

std::optional<SRegisterMap> Parse(const QJsonValue &json, QString &error)
{
    return CParser(error).Map(json);
}

bool Check(const SRegisterMap &map, QString &error)
{
    if (map.addressBytes != 1 && map.addressBytes != 2) {
        error = u"Registers: addressBytes must be 1 or 2"_s;
        return false;
    }
    QSet<QString> names;
    qsizetype position = 0;
    for (const SRegister &reg : map.registers) {
        ++position;
        if (!IsRegisterName(reg.name)) {
            error = u"Register %1: invalid name (letters, digits and _, not starting with a "
                    u"digit)"_s.arg(reg.name.isEmpty() ? QString::number(position) : reg.name);
            return false;
        }
        if (names.contains(reg.name)) {
            error = u"Register %1: duplicate name"_s.arg(reg.name);
            return false;
        }
        names.insert(reg.name);
        if (reg.address >= AddressLimit(map.addressBytes)) {
            error = u"Register %1: invalid address"_s.arg(reg.name);
            return false;
        }
        if (reg.size < 1 || reg.size > MAX_SIZE ||
            (reg.reset && *reg.reset >= ValueLimit(8 * reg.size))) {
            error = u"Register %1: invalid size or reset value"_s.arg(reg.name);
            return false;
        }
        for (qsizetype i = 0; i < reg.fields.size(); ++i) {
            const SRegisterField &field = reg.fields.at(i);
            if (field.lsb < 0 || field.msb < field.lsb || field.msb >= 8 * reg.size) {
                error =
                    u"Register %1: field %2 lies outside the register"_s.arg(reg.name, field.name);
                return false;
            }
            for (qsizetype j = 0; j < i; ++j) {
                const SRegisterField &other = reg.fields.at(j);
                if (other.name == field.name) {
                    error = u"Register %1: duplicate field %2"_s.arg(reg.name, field.name);
                    return false;
                }
                if (field.lsb <= other.msb && other.lsb <= field.msb) {
                    error = u"Register %1: fields %2 and %3 overlap"_s.arg(reg.name, other.name,
                                                                           field.name);
                    return false;
                }
            }
            for (const auto &[value, text] : field.enumTexts) {
                if (value >= ValueLimit(field.Width())) {
                    error = u"Register %1: field %2 has an enum value %3 wider than the field"_s
                                .arg(reg.name, field.name)
                                .arg(value);
                    return false;
                }
            }
        }
    }
    return true;
}

QString Write(const SRegisterMap &map, const QString &indent)
{
    using JsonText::Pair;
    const QString inner = indent + u"    "_s;
    QString text = indent + Pair(KEY_REGISTERS, u"{"_s) + u"\n"_s;
    text += inner + Pair(KEY_ADDRESS_BYTES, QString::number(map.addressBytes)) + u",\n"_s;
    text += inner +
            Pair(KEY_BYTE_ORDER,
                 JsonText::String(map.byteOrder == ERegisterByteOrder::Little ? ORDER_LITTLE
                                                                              : ORDER_BIG)) +
            u",\n"_s;
    text += inner + Pair(KEY_AUTO_INCREMENT, map.autoIncrement ? u"true"_s : u"false"_s) + u",\n"_s;
    if (map.registers.isEmpty()) {
        text += inner + Pair(KEY_LIST, u"[]"_s) + u"\n"_s;
    } else {
        text += inner + Pair(KEY_LIST, u"["_s) + u"\n"_s;
        for (qsizetype i = 0; i < map.registers.size(); ++i) {
            text += RegisterLines(map.registers.at(i), map.addressBytes, inner + u"    "_s);
            text += i + 1 < map.registers.size() ? u",\n"_s : u"\n"_s;
        }
        text += inner + u"]\n"_s;
    }
    return text + indent + u"}"_s;
}

} // namespace RegisterMapJson
