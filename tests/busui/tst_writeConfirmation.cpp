// SPDX-License-Identifier: MIT
#include "VtlTestMain.h"
#include "WriteConfirmation.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>

Q_DECLARE_METATYPE(SWriteTarget)

namespace {

const SWriteTarget ERASE_50{QStringLiteral("Erase"), QStringLiteral("24C02"),
                            QStringLiteral("0x50"), QStringLiteral("SIM-A-0001"),
                            QStringLiteral("256 bytes are set to 0xFF.")};

// Answers the next confirmation with `answer` and records what it asked; a question that
// never comes leaves `asked` empty.
struct SAnswer
{
    QString asked;
    QString title;
};

SAnswer confirmAnswering(const SWriteTarget &target,
                         const std::function<void(QMessageBox *)> &answer, bool &result)
{
    SAnswer seen;
    // Ends the pending answer with this call when no question came.
    QObject scope;
    QTimer::singleShot(0, &scope, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        seen.asked = box->text();
        seen.title = box->windowTitle();
        answer(box);
    });
    result = WriteConfirmation::confirm(nullptr, target);
    return seen;
}

void pressReturn(QMessageBox *box)
{
    QTest::keyClick(box, Qt::Key_Return);
}

} // namespace

class TestWriteConfirmation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { WriteConfirmation::forgetChoices(); }

    void namesTheTargetAndReturnIsSafe()
    {
        bool result = true;
        const SAnswer seen = confirmAnswering(ERASE_50, pressReturn, result);
        QCOMPARE(seen.title, QStringLiteral("Erase"));
        QCOMPARE(seen.asked, QStringLiteral("Erase 24C02 at 0x50 on adapter SIM-A-0001?"));
        QVERIFY(!result);
    }

    // Once "don't ask again" was chosen, the same target goes ahead without a question; any
    // other part, address, adapter or operation is asked for again, and so is the same
    // target when it was only accepted.
    void dontAskAgainHoldsForTheSameTargetOnly_data()
    {
        QTest::addColumn<bool>("dontAskAgain");
        QTest::addColumn<SWriteTarget>("next");
        QTest::addColumn<bool>("asksAgain");
        SWriteTarget other = ERASE_50;
        QTest::newRow("same target") << true << ERASE_50 << false;
        QTest::newRow("same target, only accepted") << false << ERASE_50 << true;
        other.address = QStringLiteral("0x51");
        QTest::newRow("other address") << true << other << true;
        other = ERASE_50;
        other.adapter = QStringLiteral("SIM-B-0001");
        QTest::newRow("other adapter") << true << other << true;
        other = ERASE_50;
        other.operation = QStringLiteral("Program");
        QTest::newRow("other operation") << true << other << true;
        other = ERASE_50;
        other.part = QStringLiteral("24C04");
        QTest::newRow("other part") << true << other << true;
    }
    void dontAskAgainHoldsForTheSameTargetOnly()
    {
        QFETCH(bool, dontAskAgain);
        QFETCH(SWriteTarget, next);
        QFETCH(bool, asksAgain);
        bool result = false;
        confirmAnswering(
            ERASE_50,
            [dontAskAgain](QMessageBox *box) {
                box->findChild<QCheckBox *>(QStringLiteral("dontAskAgain"))
                    ->setChecked(dontAskAgain);
                box->findChild<QPushButton *>(QStringLiteral("confirmButton"))->click();
            },
            result);
        QVERIFY(result);

        const SAnswer seen = confirmAnswering(next, pressReturn, result);
        QCOMPARE(!seen.asked.isEmpty(), asksAgain);
        QCOMPARE(result, !asksAgain);
    }
};

VTL_TEST_MAIN(TestWriteConfirmation)
#include "tst_writeConfirmation.moc"
