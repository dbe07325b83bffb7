// SPDX-License-Identifier: MIT
// The line language: what each text expands to (written back as lines, which must parse to
// the same steps), and where each faulty text is refused, by line and column.
#include "SequenceParser.h"
#include "SequenceText.h"
#include "VtlTestMain.h"

#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint8_t DEVICE = 0x48;

QStringList Lines(const QString &text)
{
    return text.split(u'|');
}

// "line: step" for every expanded step, joined by " / ".
QString Describe(const std::vector<SSequenceStep> &steps)
{
    QStringList parts;
    for (const SSequenceStep &step : steps)
        parts.append(u"%1: %2"_s.arg(step.line).arg(SequenceText::Step(step)));
    return parts.join(u" / "_s);
}

} // namespace

class TestSequenceParser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // '|' separates the lines of a text.
    void expands_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("steps");
        QTest::newRow("device address filled in")
            << u"w2 01 60|r2"_s << u"1: w2@0x48 01 60 / 2: r2@0x48"_s;
        QTest::newRow("own address, then the previous one")
            << u"W1@0x50 10 r4"_s << u"1: w1@0x50 10 r4"_s;
        QTest::newRow("device address, then another")
            << u"w1 00 r2@0x49"_s << u"1: w1@0x48 00 r2@0x49"_s;
        QTest::newRow("bytes as one word and a pattern")
            << u"w4@0x50 0010 AA+"_s << u"1: w4@0x50 00 10 AA AB"_s;
        QTest::newRow("address-only write") << u"w0"_s << u"1: w0@0x48"_s;
        QTest::newRow("delays in three units, largest unit written back")
            << u"delay 10ms|DELAY 1500us|delay 2s|delay 3000ms"_s
            << u"1: delay 10ms / 2: delay 1500us / 3: delay 2s / 4: delay 3s"_s;
        QTest::newRow("expect without and with a mask")
            << u"expect w1 00 r2 == 19 00|expect r1 == 80 mask F0"_s
            << u"1: expect w1@0x48 00 r2 == 19 00 / 2: expect r1@0x48 == 80 mask F0"_s;
        QTest::newRow("poll")
            << u"poll w1@0x50 00 r1 until 0xff mask 0x80 every 5ms timeout 200ms"_s
            << u"1: poll w1@0x50 00 r1 until FF mask 80 every 5ms timeout 200ms"_s;
        QTest::newRow("nested repeats unrolled, comments and blanks skipped")
            << u"# reset| repeat 2 |w1 01|  repeat 2|delay 1ms|end||end # done|echo done"_s
            << u"3: w1@0x48 01 / 5: delay 1ms / 5: delay 1ms / 3: w1@0x48 01 / 5: delay 1ms / "
               u"5: delay 1ms / 9: echo done"_s;
        QTest::newRow("echo keeps its text, '#' included")
            << u"echo   T = # 1  "_s << u"1: echo T = # 1"_s;
        QTest::newRow("a comment after a step") << u"r1 # the status"_s << u"1: r1@0x48"_s;
        QTest::newRow("an empty repeat adds nothing")
            << u"repeat 1000000|repeat 1000000|end|end|r1"_s << u"5: r1@0x48"_s;
    }

    void expands()
    {
        QFETCH(QString, text);
        QFETCH(QString, steps);
        SSequenceError error;
        const auto expanded = SequenceParser::ParseAndExpand(Lines(text), DEVICE, error);
        QVERIFY2(expanded, qPrintable(error.Text()));
        QCOMPARE(Describe(*expanded), steps);

        // The steps written back parse to the same steps.
        QStringList written;
        for (const SSequenceStep &step : *expanded)
            written.append(SequenceText::Step(step, DEVICE));
        const auto again = SequenceParser::ParseAndExpand(written, DEVICE, error);
        QVERIFY2(again, qPrintable(error.Text()));
        QCOMPARE(again->size(), expanded->size());
        for (std::size_t i = 0; i < again->size(); ++i)
            QCOMPARE(SequenceText::Step((*again)[i]), SequenceText::Step((*expanded)[i]));

        // The program walks its loops to the same steps.
        const auto program = SequenceParser::ParseProgram(Lines(text), DEVICE, error);
        QVERIFY2(program, qPrintable(error.Text()));
        QCOMPARE(program->StepCount(), std::uint64_t(expanded->size()));
        std::vector<SSequenceStep> walked;
        CSequenceCursor cursor(*program);
        while (const SSequenceStep *step = cursor.Next())
            walked.push_back(*step);
        QCOMPARE(Describe(walked), steps);
    }

    // Counts that no list could hold: how often each step as written runs, the total
    // (the largest number beyond 64 bits), and, where walkable, the walk's length.
    void counts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("runs");
        QTest::addColumn<quint64>("total");
        QTest::addColumn<bool>("walk");
        QTest::newRow("a million, walked")
            << u"repeat 1000000|r1|end"_s << u"1000000"_s << quint64(1000000) << true;
        QTest::newRow("nested bodies multiply") << u"r1|repeat 3|w0|repeat 2|r2|end|end|echo x"_s
                                                << u"1 3 6 1"_s << quint64(11) << true;
        QTest::newRow("1000 x 3 levels") << u"repeat 1000|repeat 1000|repeat 1000|r1|end|end|end"_s
                                         << u"1000000000"_s << quint64(1000000000) << false;
        QTest::newRow("beyond 64 bits")
            << u"repeat 1000000|repeat 1000000|repeat 1000000|repeat 1000000|r1|end|end|end|end"_s
            << u"18446744073709551615"_s << std::numeric_limits<quint64>::max() << false;
        // Walking the empty body a million rounds would take a million times as long.
        QTest::newRow("empty body inside a long repeat")
            << u"repeat 1000000|repeat 1000000|end|r1|end"_s << u"1000000"_s << quint64(1000000)
            << true;
    }

    void counts()
    {
        QFETCH(QString, text);
        QFETCH(QString, runs);
        QFETCH(quint64, total);
        QFETCH(bool, walk);
        SSequenceError error;
        const auto program = SequenceParser::ParseProgram(Lines(text), DEVICE, error);
        QVERIFY2(program, qPrintable(error.Text()));
        QStringList each;
        for (std::size_t i = 0; i < program->Steps().size(); ++i)
            each.append(QString::number(program->RunsOf(i)));
        QCOMPARE(each.join(u' '), runs);
        QCOMPARE(program->StepCount(), total);
        if (!walk)
            return;
        CSequenceCursor cursor(*program);
        while (cursor.Next() != nullptr) {
        }
        QCOMPARE(cursor.Position(), total);
    }

    void refuses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("withAddress");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown word")
            << u"r1| wait 10ms"_s << true << u"line 2, column 2: 'wait' is not a step"_s;
        QTest::newRow("bad byte in a transfer")
            << u"w2@0x50 00 G1"_s << true
            << u"line 1, column 12: byte of message 1 (w2@0x50) 'G1' is not hex"_s;
        QTest::newRow("too few bytes")
            << u"w3 00 01 r1"_s << true << u"line 1, column 1: message 1 (w3) needs 3 bytes"_s;
        QTest::newRow("read before the last message")
            << u"w1 00 r1 w1 00"_s << true << u"line 1, column 7: message 2 (r1) is a read"_s;
        QTest::newRow("address beyond 7 bits")
            << u"r1@0x80"_s << true << u"line 1, column 1: the address of 'r1@0x80'"_s;
        QTest::newRow("no address to take") << u"r1@0x50|w1 00 r1"_s << false
                                            << u"line 2, column 1: this message names no address"_s;
        QTest::newRow("duration without unit")
            << u"delay 10"_s << true << u"line 1, column 7: delay '10' is not a duration"_s;
        QTest::newRow("duration beyond an hour")
            << u"delay 3601s"_s << true << u"line 1, column 7: delay '3601s' is not a duration"_s;
        QTest::newRow("delay without duration")
            << u"delay"_s << true << u"line 1, column 6: delay needs a duration"_s;
        QTest::newRow("word after delay")
            << u"delay 1ms 2ms"_s << true << u"line 1, column 11: '2ms' is one word too many"_s;
        QTest::newRow("expect without ==")
            << u"expect r2 19 00"_s << true << u"line 1, column 16: expect needs '== BYTES'"_s;
        QTest::newRow("expect of a write")
            << u"expect w1 00 == 00"_s << true
            << u"line 1, column 8: the transfer of expect must end with a read"_s;
        QTest::newRow("expect of too few bytes")
            << u"expect r2 == 19"_s << true
            << u"line 1, column 14: expect compares 1 byte, but its transfer reads 2"_s;
        QTest::newRow("mask of another length") << u"expect r1 == 19 mask FF 00"_s << true
                                                << u"line 1, column 22: the mask has 2 bytes"_s;
        QTest::newRow("expect without transfer")
            << u"expect == 00"_s << true << u"line 1, column 8: a transfer is missing here"_s;
        QTest::newRow("poll without interval")
            << u"poll r1 until 00"_s << true << u"line 1, column 17: poll needs 'every T"_s;
        QTest::newRow("poll at no interval")
            << u"poll r1 until 00 every 0ms timeout 1s"_s << true
            << u"line 1, column 24: the interval of poll must not be 0"_s;
        QTest::newRow("poll without time-out") << u"poll r1 until 00 every 5ms"_s << true
                                               << u"line 1, column 27: poll needs 'timeout T'"_s;
        QTest::newRow("repeat 0") << u"repeat 0|end"_s << true
                                  << u"line 1, column 8: the count of repeat '0' is not a number"_s;
        QTest::newRow("repeat without end") << u"repeat 2|  repeat 3|end"_s << true
                                            << u"line 1, column 1: 'repeat' without an 'end'"_s;
        QTest::newRow("end without repeat")
            << u"r1|  end"_s << true << u"line 2, column 3: 'end' without a 'repeat'"_s;
        QTest::newRow("too many steps")
            << u"repeat 1000|repeat 1001|r1|end|end"_s << true
            << u"line 3, column 1: the sequence unrolls to more than 1000000 steps"_s;
    }

    void refuses()
    {
        QFETCH(QString, text);
        QFETCH(bool, withAddress);
        QFETCH(QString, error);
        SSequenceError found;
        const auto expanded = SequenceParser::ParseAndExpand(
            Lines(text), withAddress ? std::optional<std::uint8_t>(DEVICE) : std::nullopt, found);
        QVERIFY(!expanded);
        QVERIFY2(found.Text().startsWith(error), qPrintable(found.Text()));
        // A program refuses the same, except the length that only a list has to bound.
        if (error.contains(u"unrolls"_s))
            return;
        const auto program = SequenceParser::ParseProgram(
            Lines(text), withAddress ? std::optional<std::uint8_t>(DEVICE) : std::nullopt, found);
        QVERIFY(!program);
        QVERIFY2(found.Text().startsWith(error), qPrintable(found.Text()));
    }
};

VTL_TEST_MAIN(TestSequenceParser)
#include "tst_SequenceParser.moc"
