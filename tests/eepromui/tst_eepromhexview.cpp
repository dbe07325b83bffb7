// SPDX-License-Identifier: MIT
// Typing bytes into the hex view as a user does: Tab from cell to cell across rows, never
// into the ASCII column, and a refusal instead of a lost byte at the end of the memory.
#include "EepromHexModel.h"
#include "EepromHexView.h"
#include "VtlTestMain.h"

#include <QApplication>
#include <QSignalSpy>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestEepromHexView : public QObject
{
    Q_OBJECT

private:
    // Sends the keys to whatever has the focus, the view or its open cell editor; "\t" is
    // Tab, "\b" Shift+Tab, "\r" Return.
    static void type(QWidget &view, const QString &keys)
    {
        for (const QChar key : keys) {
            QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : &view;
            if (key == u'\t')
                QTest::keyClick(target, Qt::Key_Tab);
            else if (key == u'\b')
                QTest::keyClick(target, Qt::Key_Backtab, Qt::ShiftModifier);
            else if (key == u'\r')
                QTest::keyClick(target, Qt::Key_Return);
            else
                QTest::keyClick(target, key.toLatin1());
        }
    }

private Q_SLOTS:
    void typingGoesFromByteToByte_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("from");         // the first offset expected to change
        QTest::addColumn<QByteArray>("bytes"); // what it and the following bytes hold
        QTest::addColumn<bool>("refused");
        QTest::newRow("across a row") << 512 << 0xFE << u"11\t22\t33\t44\r"_s << 0xFE
                                      << QByteArray::fromHex("11223344") << false;
        QTest::newRow("back across a row")
            << 512 << 0x100 << u"aa\bbb\r"_s << 0xFF << QByteArray::fromHex("bbaa") << false;
        QTest::newRow("past the end")
            << 256 << 0xFE << u"11\t22\t33\r"_s << 0xFE << QByteArray::fromHex("1122") << true;
        QTest::newRow("third digit")
            << 256 << 0x10 << u"123\r"_s << 0x10 << QByteArray::fromHex("12") << false;
    }

    void typingGoesFromByteToByte()
    {
        QFETCH(int, size);
        QFETCH(int, start);
        QFETCH(QString, keys);
        QFETCH(int, from);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, refused);
        EepromHexModel model;
        model.setContents(QByteArray(size, '\xFF'));
        EepromHexView view;
        view.setModel(&model);
        QSignalSpy refusals(&view, &EepromHexView::refused);
        view.show();
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        view.setFocus();
        view.setCurrentIndex(model.index(start / EepromHexModel::BYTES_PER_ROW,
                                         start % EepromHexModel::BYTES_PER_ROW));
        type(view, keys);
        QByteArray expected(size, '\xFF');
        expected.replace(from, bytes.size(), bytes);
        // Return commits the editor's text through a queued call.
        QTRY_COMPARE(model.contents().toHex(), expected.toHex());
        QCOMPARE(!refusals.isEmpty(), refused);
        if (refused)
            QVERIFY(refusals.last().at(0).toString().startsWith(u"0x00FF is the last byte"_s));
    }
};

VTL_TEST_MAIN(TestEepromHexView)
#include "tst_eepromhexview.moc"
