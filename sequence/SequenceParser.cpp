// SPDX-License-Identifier: MIT
#include "SequenceParser.h"

#include "MessageValues.h"
#include "NumberText.h"
#include "Plural.h"

#include <QRegularExpression>

#include <utility>

using namespace Qt::StringLiterals;

namespace SequenceParser {

namespace {

// An hour: a longer wait is a typing error rather than a bench procedure.
constexpr std::chrono::microseconds MAX_DURATION = std::chrono::hours(1);

struct SToken
{
    QString text;
    int column = 0;
};

bool IsBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r';
}

// The words of a line with their columns; a word starting with '#' ends the line.
std::vector<SToken> Tokens(const QString &line)
{
    std::vector<SToken> tokens;
    qsizetype i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line.at(i)))
            ++i;
        if (i >= line.size() || line.at(i) == u'#')
            break;
        const qsizetype start = i;
        while (i < line.size() && !IsBlank(line.at(i)))
            ++i;
        tokens.push_back({line.mid(start, i - start), int(start) + 1});
    }
    return tokens;
}

bool IsWord(const SToken &token, QLatin1StringView word)
{
    return token.text.compare(word, Qt::CaseInsensitive) == 0;
}

class CLineParser
{
public:
    CLineParser(const QString &line, int lineNumber, SSequenceError &error)
        : m_line(line)
        , m_tokens(Tokens(line))
        , m_lineNumber(lineNumber)
        , m_error(error)
    {}

    // False on an error; an empty line leaves `entry` unset.
    bool Parse(std::optional<SSequenceEntry> &entry)
    {
        if (m_tokens.empty())
            return true;
        SSequenceEntry result;
        result.step.line = m_lineNumber;
        const SToken &first = m_tokens.front();
        bool ok = false;
        if (IsWord(first, "delay"_L1))
            ok = ParseDelay(result.step);
        else if (IsWord(first, "expect"_L1))
            ok = ParseCheck(result, ESequenceStepKind::Expect);
        else if (IsWord(first, "poll"_L1))
            ok = ParseCheck(result, ESequenceStepKind::Poll);
        else if (IsWord(first, "repeat"_L1))
            ok = ParseRepeat(result);
        else if (IsWord(first, "end"_L1))
            ok = ParseEnd(result);
        else if (IsWord(first, "echo"_L1))
            ok = ParseEcho(result.step);
        else if (IsTransferStart(first))
            ok = ParseTransfer(0, m_tokens.size(), result);
        else
            ok = Fail(first.column, u"'%1' is not a step (a transfer such as w1@0x50 00 r2, "
                                    u"delay, expect, poll, repeat, end or echo)"_s.arg(first.text));
        if (ok)
            entry = std::move(result);
        return ok;
    }

private:
    const QString &m_line;
    std::vector<SToken> m_tokens;
    int m_lineNumber;
    SSequenceError &m_error;

    bool Fail(int column, const QString &message)
    {
        m_error = {m_lineNumber, column, message};
        return false;
    }

    // The column just after the last word, where something missing was expected.
    int AfterLast() const
    {
        const SToken &last = m_tokens.back();
        return last.column + int(last.text.size());
    }

    static bool IsTransferStart(const SToken &token)
    {
        static const QRegularExpression start(u"^[rwRW][0-9]"_s);
        return start.match(token.text).hasMatch();
    }

    std::size_t Find(std::size_t from, QLatin1StringView word) const
    {
        for (std::size_t i = from; i < m_tokens.size(); ++i) {
            if (IsWord(m_tokens[i], word))
                return i;
        }
        return m_tokens.size();
    }

    bool ParseTransfer(std::size_t from, std::size_t to, SSequenceEntry &entry)
    {
        if (from >= to)
            return Fail(from < m_tokens.size() ? m_tokens[from].column : AfterLast(),
                        u"a transfer is missing here (e.g. w1@0x48 00 r2)"_s);
        QStringList arguments;
        for (std::size_t i = from; i < to; ++i)
            arguments.append(m_tokens[i].text);
        qsizetype failed = 0;
        QString message;
        std::optional<std::vector<STransferMessage>> messages =
            TransferMessages::Parse(arguments, STransferSyntax{false, true, &failed}, message);
        if (!messages)
            return Fail(m_tokens[from + std::size_t(failed)].column, message);
        for (std::size_t i = from, m = 0; i < to && entry.deviceAddressColumn == 0; ++i) {
            if (TransferMessages::IsMessageWord(m_tokens[i].text) && (*messages)[m++].deviceAddress)
                entry.deviceAddressColumn = m_tokens[i].column;
        }
        entry.step.messages = std::move(*messages);
        return true;
    }

    // Hex bytes from several words, "01 60" as well as "0160".
    bool ParseBytes(std::size_t from, std::size_t to, const QString &what,
                    std::vector<unsigned char> &bytes)
    {
        if (from >= to)
            return Fail(from < m_tokens.size() ? m_tokens[from].column : AfterLast(),
                        u"%1 needs hex bytes here (e.g. 01 A5)"_s.arg(what));
        for (std::size_t i = from; i < to; ++i) {
            QString message;
            const std::optional<std::vector<unsigned char>> part =
                MessageValues::ParseBytes(m_tokens[i].text, what, message);
            if (!part)
                return Fail(m_tokens[i].column, message);
            bytes.insert(bytes.end(), part->begin(), part->end());
        }
        return true;
    }

    bool ParseDuration(std::size_t index, const QString &what, std::chrono::microseconds &value)
    {
        if (index >= m_tokens.size())
            return Fail(AfterLast(),
                        u"%1 needs a duration here (e.g. 10ms, 500us, 2s)"_s.arg(what));
        static const QRegularExpression syntax(u"^([0-9]+)(us|ms|s)$"_s,
                                               QRegularExpression::CaseInsensitiveOption);
        const SToken &token = m_tokens[index];
        const QRegularExpressionMatch match = syntax.match(token.text);
        const QString unit = match.captured(2).toLower();
        const std::uint64_t scale = unit == "s"_L1 ? 1000000 : unit == "ms"_L1 ? 1000 : 1;
        // No number counts as one beyond the limit, so that one comparison refuses both.
        const auto limit = static_cast<std::uint64_t>(MAX_DURATION.count());
        const std::uint64_t count =
            match.hasMatch() ? NumberText::ParseDigits(match.captured(1), 10).value_or(limit + 1)
                             : limit + 1;
        if (count > limit || count * scale > limit)
            return Fail(token.column,
                        u"%1 %2 is not a duration up to 1 hour (e.g. 10ms, 500us, 2s)"_s.arg(
                            what, MessageValues::Quoted(token.text)));
        value = std::chrono::microseconds(static_cast<long long>(count * scale));
        return true;
    }

    bool NothingAfter(std::size_t index)
    {
        if (index < m_tokens.size())
            return Fail(m_tokens[index].column,
                        u"'%1' is one word too many"_s.arg(m_tokens[index].text));
        return true;
    }

    bool ParseDelay(SSequenceStep &step)
    {
        step.kind = ESequenceStepKind::Delay;
        return ParseDuration(1, u"delay"_s, step.wait) && NothingAfter(2);
    }

    bool ParseRepeat(SSequenceEntry &entry)
    {
        entry.kind = SSequenceEntry::EKind::Repeat;
        if (m_tokens.size() < 2)
            return Fail(AfterLast(), u"repeat needs a count here (e.g. repeat 10)"_s);
        QString message;
        const std::optional<std::size_t> count = MessageValues::ParseCount(
            m_tokens[1].text, 1, MAX_REPEAT, u"the count of repeat"_s, message);
        if (!count)
            return Fail(m_tokens[1].column, message);
        entry.count = *count;
        return NothingAfter(2);
    }

    bool ParseEnd(SSequenceEntry &entry)
    {
        entry.kind = SSequenceEntry::EKind::End;
        return NothingAfter(1);
    }

    bool ParseEcho(SSequenceStep &step)
    {
        step.kind = ESequenceStepKind::Echo;
        // The text is the rest of the line as written, '#' included.
        const qsizetype start = m_tokens.front().column - 1 + 4;
        step.text = m_line.mid(start).trimmed();
        return true;
    }

    // expect <transfer> == BYTES [mask BYTES]
    // poll <transfer> until BYTES [mask BYTES] every T timeout T
    bool ParseCheck(SSequenceEntry &entry, ESequenceStepKind kind)
    {
        SSequenceStep &step = entry.step;
        step.kind = kind;
        const bool poll = kind == ESequenceStepKind::Poll;
        const QLatin1StringView separator = poll ? "until"_L1 : "=="_L1;
        const QString name = poll ? u"poll"_s : u"expect"_s;
        const std::size_t separatorAt = Find(1, separator);
        if (separatorAt == m_tokens.size())
            return Fail(AfterLast(),
                        u"%1 needs '%2 BYTES' after its transfer"_s.arg(name, QString(separator)));
        if (!ParseTransfer(1, separatorAt, entry))
            return false;
        if (!step.messages.back().read)
            return Fail(m_tokens[1].column,
                        u"the transfer of %1 must end with a read (e.g. w1 00 r2)"_s.arg(name));
        const std::size_t maskAt = Find(separatorAt + 1, "mask"_L1);
        const std::size_t everyAt = poll ? Find(separatorAt + 1, "every"_L1) : m_tokens.size();
        const std::size_t bytesEnd = std::min(maskAt, everyAt);
        if (!ParseBytes(separatorAt + 1, bytesEnd, u"the bytes of %1"_s.arg(name), step.expected))
            return false;
        const std::size_t readCount = step.messages.back().count;
        if (step.expected.size() != readCount)
            return Fail(m_tokens[separatorAt + 1].column,
                        u"%1 compares %2, but its transfer reads %3"_s.arg(
                            name, Plural::Count(step.expected.size(), u"byte", u"bytes"),
                            QString::number(readCount)));
        step.mask.assign(step.expected.size(), 0xFF);
        if (maskAt < everyAt) {
            std::vector<unsigned char> mask;
            if (!ParseBytes(maskAt + 1, everyAt, u"the mask of %1"_s.arg(name), mask))
                return false;
            if (mask.size() != step.expected.size())
                return Fail(m_tokens[maskAt + 1].column,
                            u"the mask has %1, the bytes compared %2"_s.arg(
                                Plural::Count(mask.size(), u"byte", u"bytes"),
                                QString::number(step.expected.size())));
            step.mask = std::move(mask);
        }
        if (!poll)
            return true;
        if (everyAt == m_tokens.size())
            return Fail(AfterLast(), u"poll needs 'every T timeout T' after its bytes"_s);
        if (!ParseDuration(everyAt + 1, u"the interval of poll"_s, step.wait))
            return false;
        if (step.wait.count() == 0)
            return Fail(m_tokens[everyAt + 1].column, u"the interval of poll must not be 0"_s);
        const std::size_t timeoutAt = everyAt + 2;
        if (timeoutAt >= m_tokens.size() || !IsWord(m_tokens[timeoutAt], "timeout"_L1))
            return Fail(timeoutAt < m_tokens.size() ? m_tokens[timeoutAt].column : AfterLast(),
                        u"poll needs 'timeout T' after its interval"_s);
        if (!ParseDuration(timeoutAt + 1, u"the time-out of poll"_s, step.timeout))
            return false;
        return NothingAfter(timeoutAt + 2);
    }
};

} // namespace

std::optional<std::vector<SSequenceEntry>> Parse(const QStringList &lines, SSequenceError &error)
{
    std::vector<SSequenceEntry> entries;
    std::vector<int> openRepeats;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        std::optional<SSequenceEntry> entry;
        CLineParser parser(lines.at(i), int(i) + 1, error);
        if (!parser.Parse(entry))
            return std::nullopt;
        if (!entry)
            continue;
        if (entry->kind == SSequenceEntry::EKind::Repeat) {
            openRepeats.push_back(entry->step.line);
        } else if (entry->kind == SSequenceEntry::EKind::End) {
            if (openRepeats.empty()) {
                error = {entry->step.line, Tokens(lines.at(i)).front().column,
                         u"'end' without a 'repeat' before it"_s};
                return std::nullopt;
            }
            openRepeats.pop_back();
        }
        entries.push_back(std::move(*entry));
    }
    if (!openRepeats.empty()) {
        const int line = openRepeats.back();
        error = {line, Tokens(lines.at(line - 1)).front().column,
                 u"'repeat' without an 'end' after it"_s};
        return std::nullopt;
    }
    return entries;
}

std::optional<std::vector<SSequenceStep>> Expand(const std::vector<SSequenceEntry> &entries,
                                                 std::optional<std::uint8_t> address,
                                                 SSequenceError &error)
{
    const std::optional<CSequenceProgram> program =
        CSequenceProgram::Build(entries, address, error);
    if (!program)
        return std::nullopt;
    std::vector<SSequenceStep> steps;
    CSequenceCursor cursor(*program);
    while (const SSequenceStep *step = cursor.Next()) {
        if (steps.size() >= MAX_STEPS) {
            error = {step->line, 1, u"the sequence unrolls to more than %1 steps"_s.arg(MAX_STEPS)};
            return std::nullopt;
        }
        steps.push_back(*step);
    }
    return steps;
}

std::optional<std::vector<SSequenceStep>>
ParseAndExpand(const QStringList &lines, std::optional<std::uint8_t> address, SSequenceError &error)
{
    const std::optional<std::vector<SSequenceEntry>> entries = Parse(lines, error);
    if (!entries)
        return std::nullopt;
    return Expand(*entries, address, error);
}

std::optional<CSequenceProgram>
ParseProgram(const QStringList &lines, std::optional<std::uint8_t> address, SSequenceError &error)
{
    const std::optional<std::vector<SSequenceEntry>> entries = Parse(lines, error);
    if (!entries)
        return std::nullopt;
    return CSequenceProgram::Build(*entries, address, error);
}

int CountStepLines(const QStringList &lines)
{
    int count = 0;
    for (const QString &line : lines) {
        if (!Tokens(line).empty())
            ++count;
    }
    return count;
}

} // namespace SequenceParser
