// SPDX-License-Identifier: MIT
// The EEPROM dock in the window on adapter C's 24x16: read, edit bytes in two blocks,
// program (only the changed pages) and verify, one summary row per operation.
#include "EepromPanel.h"
#include "PresetWindowFixture.h"
#include "VtlTestMain.h"

#include <QComboBox>
#include <QDockWidget>

using namespace Qt::StringLiterals;

class TestEepromDock : public QObject
{
    Q_OBJECT

    CPresetWindowFixture m_app;

    EepromPanel *panel() const { return m_app.window->findChild<EepromPanel *>(); }
    QTableWidget *table() const { return Child<QTableWidget>(*m_app.window, u"table_data"_s); }
    void click(const QString &button) { Child<QAbstractButton>(*m_app.window, button)->click(); }
    QStringList lastRow() const { return RowTexts(*table(), table()->rowCount() - 1); }

private Q_SLOTS:
    void init() { QVERIFY(m_app.Open(u"VantrelC  SN SIM-C-0003"_s)); }

    void cleanup() { m_app.Close(); }

    void readEditProgramVerify()
    {
        auto *dock = Child<QDockWidget>(*m_app.window, u"dock_eeprom"_s);
        QVERIFY(dock->isHidden());
        ActionOf(*m_app.window, "actionEeprom")->trigger();
        QVERIFY(!dock->isHidden());
        Child<QComboBox>(*m_app.window, u"cmb_eeprom_part"_s)->setCurrentText(u"24x16"_s);
        QCOMPARE(Child<QComboBox>(*m_app.window, u"cmb_eeprom_address"_s)->currentText(),
                 u"0x50"_s);
        std::vector<unsigned char> chip(2048);
        for (std::size_t i = 0; i < chip.size(); ++i)
            chip[i] = static_cast<unsigned char>(i * 3);
        m_app.bench.eepromC->SetContents(0, chip);

        click(u"btn_eeprom_read"_s);
        EepromHexModel &model = panel()->model();
        QCOMPARE(model.contents(), QByteArray(reinterpret_cast<const char *>(chip.data()), 2048));
        QCOMPARE(lastRow().mid(0, 1), QStringList{u"EEPROM 0x50 24x16"_s});
        QVERIFY(lastRow().at(2).startsWith(u"read 2048 bytes, "_s));

        // Offsets 0x023 (block 0) and 0x53F (block 5).
        QVERIFY(model.setData(model.index(2, 3), u"A5"_s));
        QVERIFY(model.setData(model.index(0x53, 0xF), u"5A"_s));
        click(u"btn_eeprom_program"_s);
        chip[0x023] = 0xA5;
        chip[0x53F] = 0x5A;
        QCOMPARE(m_app.bench.eepromC->GetContents(), chip);
        QVERIFY2(lastRow().at(2).startsWith(u"programmed 32 bytes, verified, "_s),
                 qPrintable(lastRow().at(2)));
        QVERIFY(model.changedPages(16).empty());

        m_app.bench.eepromC->SetContents(0x301, {0x00});
        click(u"btn_eeprom_verify"_s);
        QCOMPARE(lastRow().at(2), u"1 bytes differ, the first at offset 0x0301"_s);
        QVERIFY(table()->item(table()->rowCount() - 1, 0)->foreground().style() != Qt::NoBrush);
        QVERIFY(model.index(0x30, 1).data(Qt::BackgroundRole).isValid());
        QCOMPARE(table()->rowCount(), 3);
    }
};

VTL_TEST_MAIN(TestEepromDock)
#include "tst_eepromdock.moc"
