// SPDX-License-Identifier: MIT
#include "SequenceText.h"

#include "CI2cDeviceFile.h"
#include "NumberText.h"

#include <QStringList>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace SequenceText {

namespace {

QString Comparison(const SSequenceStep &step)
{
    QString text = CI2cDeviceFile::BytesToHex(step.expected);
    if (std::any_of(step.mask.begin(), step.mask.end(), [](unsigned char m) { return m != 0xFF; }))
        text += u" mask "_s + CI2cDeviceFile::BytesToHex(step.mask);
    return text;
}

} // namespace

QString Duration(std::chrono::microseconds duration)
{
    const long long us = duration.count();
    if (us != 0 && us % 1000000 == 0)
        return u"%1s"_s.arg(us / 1000000);
    if (us != 0 && us % 1000 == 0)
        return u"%1ms"_s.arg(us / 1000);
    return u"%1us"_s.arg(us);
}

QString Transfer(const std::vector<STransferMessage> &messages,
                 std::optional<std::uint8_t> deviceAddress, bool eightBit)
{
    QStringList words;
    std::optional<std::uint8_t> current = deviceAddress;
    for (const STransferMessage &message : messages) {
        QString word = (message.read ? u"r"_s : u"w"_s) + QString::number(message.count);
        if (current != message.address)
            word += u'@' + NumberText::Address(message.address, eightBit);
        current = message.address;
        words.append(word);
        if (!message.read && !message.data.empty())
            words.append(CI2cDeviceFile::BytesToHex(message.data));
    }
    return words.join(u' ');
}

QString Step(const SSequenceStep &step, std::optional<std::uint8_t> deviceAddress, bool eightBit)
{
    switch (step.kind) {
    case ESequenceStepKind::Transfer:
        return Transfer(step.messages, deviceAddress, eightBit);
    case ESequenceStepKind::Delay:
        return u"delay "_s + Duration(step.wait);
    case ESequenceStepKind::Expect:
        return u"expect %1 == %2"_s.arg(Transfer(step.messages, deviceAddress, eightBit),
                                        Comparison(step));
    case ESequenceStepKind::Poll:
        return u"poll %1 until %2 every %3 timeout %4"_s.arg(
            Transfer(step.messages, deviceAddress, eightBit), Comparison(step), Duration(step.wait),
            Duration(step.timeout));
    case ESequenceStepKind::Echo:
        return step.text.isEmpty() ? u"echo"_s : u"echo "_s + step.text;
    }
    return {};
}

} // namespace SequenceText
