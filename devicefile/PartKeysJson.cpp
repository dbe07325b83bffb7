// SPDX-License-Identifier: MIT
#include "PartKeysJson.h"

#include "JsonText.h"
#include "NumberText.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace PartKeysJson {

namespace {

const QString KEY_REGISTER = u"register"_s;
const QString KEY_MASK = u"mask"_s;
const QString KEY_VALUE = u"value"_s;
const QString KEY_KIND = u"kind"_s;
const QString KEY_ACTS = u"acts"_s;
const QString KEY_MEANING = u"meaning"_s;
const QString KIND_POINTER = u"pointer"_s;
const QString KIND_COMMAND = u"command"_s;
const QString KIND_CONFIGURATION = u"configuration"_s;
constexpr std::uint64_t MAX_ADDRESS = 0x7F;

// The register a rule names, as register maps look names up.
const SRegister *FindRegister(const SRegisterMap &map, const QString &name)
{
    const int index = RegisterNames::FindRegister(map, name);
    return index < 0 ? nullptr : &map.registers.at(index);
}

std::uint64_t ValueLimit(const SRegister &reg)
{
    return std::uint64_t(1) << (8 * reg.size);
}

} // namespace

std::optional<std::vector<unsigned char>> ParseAddresses(const QJsonValue &json, QString &error)
{
    if (!json.isArray()) {
        error = u"\"addresses\" is not a list"_s;
        return std::nullopt;
    }
    std::vector<unsigned char> addresses;
    for (const QJsonValue &element : json.toArray()) {
        const std::optional<std::uint64_t> address =
            element.isString() ? JsonText::ParseNumberOrHex(element) : std::nullopt;
        if (!address || *address > MAX_ADDRESS) {
            error = u"Invalid address %1 in \"addresses\""_s.arg(addresses.size() + 1);
            return std::nullopt;
        }
        addresses.push_back(static_cast<unsigned char>(*address));
    }
    return addresses;
}

std::optional<SFirstByte> ParseFirstByte(const QJsonValue &json, QString &error)
{
    const QString who = u"\"%1\""_s.arg(KEY_FIRST_BYTE);
    if (!json.isObject()) {
        error = who + u" is not an object"_s;
        return std::nullopt;
    }
    const QJsonObject object = json.toObject();
    const QString kind = object.value(KEY_KIND).toString();
    SFirstByte firstByte;
    QString ownKey;
    if (kind == KIND_POINTER) {
        firstByte.kind = SFirstByte::EKind::Pointer;
    } else if (kind == KIND_COMMAND) {
        firstByte.kind = SFirstByte::EKind::Command;
        ownKey = KEY_ACTS;
    } else if (kind == KIND_CONFIGURATION) {
        firstByte.kind = SFirstByte::EKind::Configuration;
        ownKey = KEY_MEANING;
    } else {
        error = u"%1: invalid kind \"%2\" (pointer, command or configuration)"_s.arg(who, kind);
        return std::nullopt;
    }
    for (const QString &key : object.keys()) {
        if (key != KEY_KIND && key != ownKey) {
            error = u"%1: \"%2\" does not belong to kind %3"_s.arg(who, key, kind);
            return std::nullopt;
        }
    }
    if (firstByte.kind == SFirstByte::EKind::Configuration) {
        firstByte.meaning = object.value(KEY_MEANING).toString();
        if (firstByte.meaning.trimmed().isEmpty()) {
            error = u"%1: a configuration needs a \"meaning\""_s.arg(who);
            return std::nullopt;
        }
    }
    if (firstByte.kind == SFirstByte::EKind::Command) {
        const QJsonObject acts = object.value(KEY_ACTS).toObject();
        if (acts.isEmpty()) {
            error = u"%1: a command part needs \"acts\" with at least one byte"_s.arg(who);
            return std::nullopt;
        }
        for (auto it = acts.begin(); it != acts.end(); ++it) {
            // Two upper-case digits only: the file is written back in that form.
            const std::optional<std::uint64_t> byte =
                it.key().size() == 2 && it.key() == it.key().toUpper()
                    ? NumberText::ParseDigits(it.key(), 16)
                    : std::nullopt;
            if (!byte) {
                error = u"%1: invalid byte \"%2\" in \"acts\" (two upper-case hex digits)"_s.arg(
                    who, it.key());
                return std::nullopt;
            }
            const QString phrase = it.value().toString();
            if (phrase.trimmed().isEmpty()) {
                error = u"%1: byte %2 in \"acts\" has no phrase"_s.arg(who, it.key());
                return std::nullopt;
            }
            firstByte.acts.emplace(std::uint8_t(*byte), phrase);
        }
    }
    return firstByte;
}

std::optional<std::vector<SIdentifyRule>> ParseIdentify(const QJsonValue &json, QString &error)
{
    if (!json.isArray()) {
        error = u"\"identify\" is not a list"_s;
        return std::nullopt;
    }
    std::vector<SIdentifyRule> rules;
    for (const QJsonValue &element : json.toArray()) {
        const QJsonObject object = element.toObject();
        const QString who = QString::number(rules.size() + 1);
        SIdentifyRule rule;
        rule.registerName = object.value(KEY_REGISTER).toString();
        const std::optional<std::uint64_t> value =
            JsonText::ParseNumberOrHex(object.value(KEY_VALUE));
        if (rule.registerName.isEmpty() || !value) {
            error = u"Identification rule %1: a register and a value are needed"_s.arg(who);
            return std::nullopt;
        }
        rule.value = std::uint32_t(*value);
        if (object.contains(KEY_MASK)) {
            const std::optional<std::uint64_t> mask =
                JsonText::ParseNumberOrHex(object.value(KEY_MASK));
            if (!mask) {
                error = u"Identification rule %1: invalid mask"_s.arg(who);
                return std::nullopt;
            }
            rule.mask = std::uint32_t(*mask);
        }
        rules.push_back(std::move(rule));
    }
    return rules;
}

bool CheckIdentify(const std::vector<SIdentifyRule> &rules, const std::optional<SRegisterMap> &map,
                   QString &error)
{
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const SIdentifyRule &rule = rules[i];
        const SRegister *reg = map ? FindRegister(*map, rule.registerName) : nullptr;
        const QString who = u"Identification rule %1"_s.arg(i + 1);
        if (!reg) {
            error = u"%1: no register %2 in the map"_s.arg(who, rule.registerName);
            return false;
        }
        // Identification reads every candidate's rules unasked, so a read must change nothing.
        if (!RegisterAccess::IsReadable(reg->access)) {
            error = u"%1: register %2 cannot be read without a side effect"_s.arg(who, reg->name);
            return false;
        }
        if (rule.value >= ValueLimit(*reg) || (rule.mask && *rule.mask >= ValueLimit(*reg))) {
            error = u"%1: value or mask wider than register %2"_s.arg(who, reg->name);
            return false;
        }
    }
    return true;
}

QString WriteAddresses(const std::vector<unsigned char> &addresses, const QString &indent)
{
    QStringList items;
    for (const unsigned char address : addresses)
        items.append(JsonText::String(NumberText::Hex(address, 2)));
    return indent + JsonText::Pair(KEY_ADDRESSES, u"["_s + items.join(u", "_s) + u"]"_s);
}

QString WriteFirstByte(const SFirstByte &firstByte, const QString &indent)
{
    using JsonText::Pair;
    using JsonText::String;
    QStringList pairs;
    switch (firstByte.kind) {
    case SFirstByte::EKind::Pointer:
        pairs.append(Pair(KEY_KIND, String(KIND_POINTER)));
        break;
    case SFirstByte::EKind::Command: {
        pairs.append(Pair(KEY_KIND, String(KIND_COMMAND)));
        QStringList acts;
        for (const auto &[byte, phrase] : firstByte.acts)
            acts.append(Pair(NumberText::Hex(byte, 2).mid(2), String(phrase)));
        pairs.append(Pair(KEY_ACTS, u"{ "_s + acts.join(u", "_s) + u" }"_s));
        break;
    }
    case SFirstByte::EKind::Configuration:
        pairs.append(Pair(KEY_KIND, String(KIND_CONFIGURATION)));
        pairs.append(Pair(KEY_MEANING, String(firstByte.meaning)));
        break;
    }
    return indent + Pair(KEY_FIRST_BYTE, u"{ "_s + pairs.join(u", "_s) + u" }"_s);
}

QString WriteIdentify(const std::vector<SIdentifyRule> &rules, const SRegisterMap &map,
                      const QString &indent)
{
    using JsonText::Pair;
    using JsonText::String;
    QString text = indent + Pair(KEY_IDENTIFY, u"["_s);
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const SIdentifyRule &rule = rules[i];
        const SRegister *reg = FindRegister(map, rule.registerName);
        const int digits = 2 * (reg ? reg->size : 1);
        QStringList pairs{Pair(KEY_REGISTER, String(rule.registerName))};
        if (rule.mask)
            pairs.append(Pair(KEY_MASK, String(NumberText::Hex(*rule.mask, digits))));
        pairs.append(Pair(KEY_VALUE, String(NumberText::Hex(rule.value, digits))));
        text += u"\n"_s + indent + indent + u"{ "_s + pairs.join(u", "_s) + u" }"_s;
        if (i + 1 < rules.size())
            text += u","_s;
    }
    return text + u"\n"_s + indent + u"]"_s;
}

} // namespace PartKeysJson
