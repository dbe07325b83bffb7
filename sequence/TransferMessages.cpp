// SPDX-License-Identifier: MIT
#include "TransferMessages.h"

#include "MessageValues.h"
#include "Plural.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace TransferMessages {

bool IsMessageWord(const QString &argument)
{
    return !argument.isEmpty() && QStringLiteral("rwRW").contains(argument.front());
}

namespace {

// Fills the rest of a write message from its last typed byte and the pattern suffix.
void FillPattern(std::vector<unsigned char> &data, std::size_t count, QChar pattern)
{
    const int step = pattern == u'+' ? 1 : pattern == u'-' ? -1 : 0;
    while (data.size() < count)
        data.push_back(static_cast<unsigned char>(data.back() + step));
}

struct SParser
{
    const STransferSyntax &syntax;
    QString &error;
    std::vector<STransferMessage> messages;
    std::vector<qsizetype> wordArguments;
    std::optional<std::uint8_t> lastAddress;
    bool deviceAddress = false;

    QString Name(std::size_t index) const
    {
        return u"message %1 (%2)"_s.arg(index + 1).arg(messages[index].word);
    }

    bool StartMessage(const QString &word, qsizetype argument)
    {
        static const QRegularExpression wordSyntax(u"^([rwRW])([0-9]+)(?:@(.*))?$"_s);
        const QRegularExpressionMatch match = wordSyntax.match(word);
        if (!match.hasMatch()) {
            error = u"'%1' is not a message (w<N>@<ADDR> or r<N>[@<ADDR>])"_s.arg(word);
            return false;
        }
        STransferMessage message;
        message.word = word;
        message.read = match.captured(1).toLower() == "r"_L1;
        const std::size_t min = message.read ? 1 : 0;
        const std::optional<std::size_t> count = MessageValues::ParseCount(
            match.captured(2), min, MAX_MESSAGE_BYTES, u"the length of '%1'"_s.arg(word), error);
        if (!count)
            return false;
        message.count = *count;
        if (match.hasCaptured(3)) {
            const std::optional<std::uint8_t> address = MessageValues::ParseAddress(
                match.captured(3), syntax.eightBit, u"the address of '%1'"_s.arg(word), error);
            if (!address)
                return false;
            lastAddress = *address;
            deviceAddress = false;
        } else if (!lastAddress && syntax.deviceAddress) {
            deviceAddress = true;
        } else if (!lastAddress) {
            error = u"'%1' needs an address (@ADDR): no message before it names one"_s.arg(word);
            return false;
        }
        message.address = lastAddress.value_or(0);
        message.deviceAddress = deviceAddress;
        messages.push_back(std::move(message));
        wordArguments.push_back(argument);
        return true;
    }

    bool AddByte(const QString &argument)
    {
        if (messages.empty() || messages.back().read) {
            error =
                messages.empty()
                    ? u"'%1' comes before any message (messages start with r or w)"_s.arg(argument)
                    : u"'%1' follows %2, a read, which takes no bytes"_s.arg(
                          argument, Name(messages.size() - 1));
            return false;
        }
        STransferMessage &message = messages.back();
        const QString name = Name(messages.size() - 1);
        if (message.data.size() >= message.count) {
            error = u"'%1' is one byte too many for %2"_s.arg(argument, name);
            return false;
        }
        QString text = argument;
        QChar pattern;
        if (text.endsWith(u'=') || text.endsWith(u'+') || text.endsWith(u'-')) {
            pattern = text.back();
            text.chop(1);
        }
        const std::optional<std::vector<unsigned char>> bytes =
            MessageValues::ParseBytes(text, u"byte of %1"_s.arg(name), error);
        if (!bytes)
            return false;
        if (bytes->empty() || (!pattern.isNull() && bytes->size() != 1)) {
            error = u"byte of %1 '%2' is not one hex byte before its '%3'"_s.arg(name, argument,
                                                                                 pattern);
            if (bytes->empty())
                error = u"byte of %1 '%2' holds no byte"_s.arg(name, argument);
            return false;
        }
        if (message.data.size() + bytes->size() > message.count) {
            error = u"'%1' holds more bytes than %2 takes"_s.arg(argument, name);
            return false;
        }
        message.data.insert(message.data.end(), bytes->begin(), bytes->end());
        if (!pattern.isNull())
            FillPattern(message.data, message.count, pattern);
        return true;
    }

    bool CheckComplete()
    {
        if (messages.empty())
            return true;
        const STransferMessage &message = messages.back();
        if (!message.read && message.data.size() < message.count) {
            error = u"%1 needs %2, %3 given"_s.arg(Name(messages.size() - 1),
                                                   Plural::Count(message.count, u"byte", u"bytes"),
                                                   QString::number(message.data.size()));
            return false;
        }
        return true;
    }
};

} // namespace

std::optional<std::vector<STransferMessage>> Parse(const QStringList &arguments, bool eightBit,
                                                   QString &error)
{
    return Parse(arguments, STransferSyntax{eightBit, false, nullptr}, error);
}

std::optional<std::vector<STransferMessage>> Parse(const QStringList &arguments,
                                                   const STransferSyntax &syntax, QString &error)
{
    SParser parser{syntax, error, {}, {}, std::nullopt, false};
    const auto fail = [&syntax](qsizetype argument) {
        if (syntax.errorArgument != nullptr)
            *syntax.errorArgument = argument;
        return std::nullopt;
    };
    const auto lastWord = [&parser] {
        return parser.wordArguments.empty() ? qsizetype(0) : parser.wordArguments.back();
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (IsMessageWord(argument)) {
            if (!parser.CheckComplete())
                return fail(lastWord());
            if (!parser.StartMessage(argument, i))
                return fail(i);
        } else if (!parser.AddByte(argument)) {
            return fail(i);
        }
    }
    if (!parser.CheckComplete())
        return fail(lastWord());
    if (parser.messages.empty()) {
        error = u"MSG: no message given (e.g. w1@0x50 00 r8)"_s;
        return fail(0);
    }
    for (std::size_t i = 0; i + 1 < parser.messages.size(); ++i) {
        if (parser.messages[i].read) {
            error = u"%1 is a read before the last message: these adapters end every read "
                    u"with a stop, so a read can only be the last message"_s.arg(parser.Name(i));
            return fail(parser.wordArguments[i]);
        }
    }
    return std::move(parser.messages);
}

std::vector<STransactionRequest> ToRequests(const std::vector<STransferMessage> &messages)
{
    std::vector<STransactionRequest> requests;
    for (std::size_t i = 0; i < messages.size(); ++i) {
        const STransferMessage &message = messages[i];
        const bool last = i + 1 == messages.size();
        if (message.read)
            requests.push_back(STransactionRequest::Read(message.address, message.count));
        else
            requests.push_back(
                STransactionRequest::Write(message.address, message.data, true, last));
    }
    return requests;
}

} // namespace TransferMessages
