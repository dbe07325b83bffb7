// SPDX-License-Identifier: MIT
#include "RegisterValues.h"

#include "CsvFormat.h"
#include "RegisterBits.h"
#include "RegisterText.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

template <typename Map>
std::optional<std::uint32_t> Find(const Map &map, int reg)
{
    const auto found = map.find(reg);
    if (found == map.end())
        return std::nullopt;
    return found->second;
}

void AppendLine(QString &out, const QStringList &fields)
{
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += u',';
        CsvFormat::AppendField(out, fields.at(i));
    }
    out += CsvFormat::LINE_END;
}

} // namespace

void CRegisterValues::Clear()
{
    *this = CRegisterValues();
}

void CRegisterValues::ApplyRead(const std::map<int, std::uint32_t> &values)
{
    m_changed.clear();
    for (const auto &[reg, value] : values) {
        const auto before = m_values.find(reg);
        if (before != m_values.end() && before->second != value)
            m_changed.insert(reg);
        m_values[reg] = value;
        m_edited.erase(reg);
    }
}

void CRegisterValues::ApplyWrite(int reg, std::uint32_t value)
{
    m_values[reg] = value;
    m_written[reg] = value;
    m_edited.erase(reg);
}

std::optional<std::uint32_t> CRegisterValues::Value(int reg) const
{
    return Find(m_values, reg);
}

std::optional<std::uint32_t> CRegisterValues::LastWritten(int reg) const
{
    return Find(m_written, reg);
}

std::optional<std::uint32_t> CRegisterValues::Edited(int reg) const
{
    return Find(m_edited, reg);
}

bool CRegisterValues::DiffersFromReset(const SRegister &reg, std::optional<std::uint32_t> value)
{
    return reg.reset && value && *value != *reg.reset;
}

QString CRegisterValues::Csv(const SRegisterMap &map, const CRegisterValues &values)
{
    QString out;
    AppendLine(out, {u"register"_s, u"address"_s, u"value"_s, u"field"_s, u"bits"_s,
                     u"field value"_s, u"meaning"_s});
    for (qsizetype i = 0; i < map.registers.size(); ++i) {
        const SRegister &reg = map.registers.at(i);
        const std::optional<std::uint32_t> value = values.Value(int(i));
        const QString address = RegisterText::Address(reg.address, map.addressBytes);
        const QString hex = value ? RegisterText::Hex(*value, reg.size) : QString();
        AppendLine(out, {reg.name,
                         address,
                         hex,
                         {},
                         {},
                         {},
                         value ? RegisterText::RegisterMeaning(reg, *value) : QString()});
        for (const SRegisterField &field : reg.fields) {
            const std::uint32_t raw = value ? RegisterBits::Extract(*value, field) : 0;
            AppendLine(out, {reg.name, address, hex, field.name, RegisterText::Bits(field),
                             value ? QString::number(raw) : QString(),
                             value ? RegisterText::FieldMeaning(field, raw) : QString()});
        }
    }
    return out;
}
