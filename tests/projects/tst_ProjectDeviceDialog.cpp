// SPDX-License-Identifier: MIT
#include "PanelTestSupport.h"
#include "VtlTestMain.h"

#include <QPlainTextEdit>

using namespace Qt::StringLiterals;

namespace {

std::optional<unsigned char> Parse7Bit(const QString &text)
{
    CPanelHost host;
    return host.Parse(text);
}

} // namespace

class tst_ProjectDeviceDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void validation_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QString>("focus");
        QTest::newRow("blank name")
            << u"   "_s << u"0x23"_s << u"Please enter a name."_s << u"nameEdit"_s;
        QTest::newRow("taken in another case")
            << u" bh1750 "_s << u"0x23"_s << u"A device named \"bh1750\" already exists."_s
            << u"nameEdit"_s;
        QTest::newRow("empty address")
            << u"Lamp"_s << QString() << u"Invalid I2C address."_s << u"addressEdit"_s;
        QTest::newRow("address above 7 bits")
            << u"Lamp"_s << u"0x80"_s << u"Invalid I2C address."_s << u"addressEdit"_s;
        QTest::newRow("address not hex")
            << u"Lamp"_s << u"0x2G"_s << u"Invalid I2C address."_s << u"addressEdit"_s;
    }

    // Invalid input keeps the dialog open with one warning and the focus on the field;
    // cancelling afterwards gives a rejected dialog.
    void validation()
    {
        QFETCH(QString, name);
        QFETCH(QString, address);
        QFETCH(QString, warning);
        QFETCH(QString, focus);
        QStringList asked;
        ProjectDeviceDialog dialog(
            u"New Device"_s, Parse7Bit,
            [&asked](const QString &candidate) {
                asked.append(candidate);
                return candidate.compare(u"BH1750"_s, Qt::CaseInsensitive) == 0;
            },
            nullptr);
        dialog.setValues(name, address, QString());
        QString focused;
        bool selectedAll = false;
        CModalScript script;
        script.Then<ProjectDeviceDialog>([](ProjectDeviceDialog *shown) { ClickOk(shown); })
            .Then<QMessageBox>([](QMessageBox *box) { ClickButton(box, QMessageBox::Ok); })
            .Then<ProjectDeviceDialog>([&](ProjectDeviceDialog *shown) {
                focused = shown->focusWidget() ? shown->focusWidget()->objectName() : QString();
                auto *nameEdit = shown->findChild<QLineEdit *>(u"nameEdit"_s);
                selectedAll = nameEdit->selectedText() == nameEdit->text();
                shown->reject();
            });
        QCOMPARE(dialog.exec(), int(QDialog::Rejected));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QCOMPARE(script.Seen().at(1), u"New Device: "_s + warning);
        QCOMPARE(focused, focus);
        if (warning.startsWith(u"A device"_s)) {
            QCOMPARE(asked, QStringList{u"bh1750"_s});
            QVERIFY(selectedAll);
        }
    }

    void accepted()
    {
        ProjectDeviceDialog dialog(u"Device Properties"_s, Parse7Bit, {}, nullptr);
        dialog.setValues(u"  BH1750  "_s, u" 0x5c "_s, u"old"_s);
        CModalScript script;
        script.Then<ProjectDeviceDialog>([](ProjectDeviceDialog *shown) {
            shown->findChild<QPlainTextEdit *>(u"descriptionEdit"_s)
                ->setPlainText(u"\n  ADDR high\n\nLux = raw / 1.2  \n\n"_s);
            ClickOk(shown);
        });
        QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QCOMPARE(dialog.windowTitle(), u"Device Properties"_s);
        QCOMPARE(dialog.name(), u"BH1750"_s);
        QCOMPARE(dialog.address(), 0x5C);
        QCOMPARE(dialog.description(), u"ADDR high\n\nLux = raw / 1.2"_s);
    }
};

VTL_TEST_MAIN(tst_ProjectDeviceDialog)
#include "tst_ProjectDeviceDialog.moc"
