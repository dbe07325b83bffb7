// SPDX-License-Identifier: MIT
#include "PanelTestSupport.h"
#include "VtlTestMain.h"

using namespace Qt::StringLiterals;

class tst_CommandDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fieldsFollowKind_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("write") << int(EI2cCommandType::Write)
                               << QStringList{u"modeCombo"_s, u"dataEdit"_s};
        QTest::newRow("read") << int(EI2cCommandType::Read)
                              << QStringList{u"countSpin"_s, u"valueTypeCombo"_s};
        QTest::newRow("write/read")
            << int(EI2cCommandType::WriteRead)
            << QStringList{u"dataEdit"_s, u"countSpin"_s, u"valueTypeCombo"_s};
    }

    void fieldsFollowKind()
    {
        QFETCH(int, type);
        QFETCH(QStringList, shown);
        CommandDialog dialog(u"Edit Command"_s, u"Beta"_s, {}, nullptr);
        dialog.setCommand(WriteReadCommand(u"Peek"_s, {0x10}, 4));
        FillCommandDialog(&dialog, u"X"_s, EI2cCommandType(type), EI2cWriteMode::Auto, {}, 1);
        for (const QString &field :
             {u"modeCombo"_s, u"dataEdit"_s, u"countSpin"_s, u"valueTypeCombo"_s})
            QVERIFY2(dialog.findChild<QWidget *>(field)->isVisibleTo(&dialog) ==
                         shown.contains(field),
                     qPrintable(field));
    }

    void accept_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("data");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<SI2cCommand>("expected");
        const int write = int(EI2cCommandType::Write);
        const int read = int(EI2cCommandType::Read);
        const int writeRead = int(EI2cCommandType::WriteRead);
        const int autoMode = int(EI2cWriteMode::Auto);
        const QString badHex = u"Invalid input. Enter hex bytes, e.g. \"01 A5 FF\"."_s;
        const QString noStart = u"Without start at least one data byte is required."_s;

        QTest::newRow("blank label")
            << u"  "_s << write << autoMode << u"01"_s << 1 << u"Please enter a label."_s
            << u"labelEdit"_s << SI2cCommand();
        QTest::newRow("label of another command")
            << u" get "_s << read << autoMode << QString() << 2
            << u"\"get\" already exists in \"Beta\".\nPlease choose a different label."_s
            << u"labelEdit"_s << SI2cCommand();
        QTest::newRow("write bytes not hex") << u"X"_s << write << autoMode << u"0x1G"_s << 1
                                             << badHex << u"dataEdit"_s << SI2cCommand();
        QTest::newRow("write/read without bytes")
            << u"X"_s << writeRead << autoMode << u" , "_s << 4
            << u"A write/read needs at least one byte to write."_s << u"dataEdit"_s
            << SI2cCommand();
        QTest::newRow("generate stop without bytes")
            << u"X"_s << write << int(EI2cWriteMode::Stop) << QString() << 1 << noStart
            << u"dataEdit"_s << SI2cCommand();
        QTest::newRow("no start and stop without bytes")
            << u"X"_s << write << int(EI2cWriteMode::None) << QString() << 1 << noStart
            << u"dataEdit"_s << SI2cCommand();

        QTest::newRow("address-only write")
            << u" Ping "_s << write << autoMode << QString() << 9 << QString() << QString()
            << WriteCommand(u"Ping"_s, {});
        QTest::newRow("generate start without bytes")
            << u"Open"_s << write << int(EI2cWriteMode::Start) << QString() << 1 << QString()
            << QString() << WriteCommand(u"Open"_s, {}, EI2cWriteMode::Start);
        QTest::newRow("read leaves its hidden fields out")
            << u"R"_s << read << int(EI2cWriteMode::None) << u"zz"_s << 300 << QString()
            << QString() << ReadCommand(u"R"_s, 300);
        QTest::newRow("write/read")
            << u"Peek"_s << writeRead << int(EI2cWriteMode::Stop) << u"10,a5"_s << 65535
            << QString() << QString() << WriteReadCommand(u"Peek"_s, {0x10, 0xA5}, 65535);
    }

    // Refused input keeps the dialog open with one warning and the focus on the field that
    // needs changing; accepted input gives back only what the kind uses.
    void accept()
    {
        QFETCH(QString, label);
        QFETCH(int, type);
        QFETCH(int, mode);
        QFETCH(QString, data);
        QFETCH(int, count);
        QFETCH(QString, warning);
        QFETCH(QString, focus);
        QFETCH(SI2cCommand, expected);
        CommandDialog dialog(
            u"Edit Command"_s, u"Beta"_s,
            [](const QString &candidate) { return candidate == u"get"_s; }, nullptr);
        dialog.setCommand(ReadCommand(u"Get"_s, 2));
        QString focused;
        CModalScript script;
        script.Then<CommandDialog>([&](CommandDialog *shown) {
            FillCommandDialog(shown, label, EI2cCommandType(type), EI2cWriteMode(mode), data,
                              count);
            ClickOk(shown);
        });
        if (!warning.isEmpty()) {
            script.Then<QMessageBox>([](QMessageBox *box) { ClickButton(box, QMessageBox::Ok); })
                .Then<CommandDialog>([&focused](CommandDialog *shown) {
                    focused = shown->focusWidget() ? shown->focusWidget()->objectName() : QString();
                    shown->reject();
                })
                .Then<QMessageBox>([](QMessageBox *box) { ClickButton(box, QMessageBox::Yes); });
        }
        const int result = dialog.exec();
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        if (warning.isEmpty()) {
            QCOMPARE(result, int(QDialog::Accepted));
            QCOMPARE(dialog.command(), expected);
            return;
        }
        QCOMPARE(result, int(QDialog::Rejected));
        QCOMPARE(script.Seen().at(1), u"Edit Command: "_s + warning);
        QCOMPARE(focused, focus);
    }

    void valueFields_data()
    {
        QTest::addColumn<QString>("valueType");
        QTest::addColumn<QString>("scale");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<std::optional<SValueDecoding>>("expected");
        const SValueDecoding stored{2, EValueType::S16Be, 0.0625, -40.5, u"\u00B0C"_s};
        QTest::newRow("kept as it was")
            << u"s16be"_s << u"0.0625"_s << 2 << QString() << std::optional<SValueDecoding>(stored);
        SValueDecoding changed = stored;
        changed.type = EValueType::F32Le;
        changed.scale = 1e-3;
        QTest::newRow("changed") << u"f32le"_s << u" 1e-3 "_s << 2 << QString()
                                 << std::optional<SValueDecoding>(changed);
        QTest::newRow("none") << u"None"_s << u"x"_s << 2 << QString()
                              << std::optional<SValueDecoding>();
        QTest::newRow("scale not a number")
            << u"s16be"_s << u"0,5"_s << 2
            << u"Invalid number. Enter a decimal number, e.g. 0.5 or 1e-3."_s
            << std::optional<SValueDecoding>();
        QTest::newRow("past the longest read")
            << u"u32be"_s << u"1"_s << 65532
            << u"The value ends past the 65535 bytes a read can bring."_s
            << std::optional<SValueDecoding>();
    }

    // The dialog opens with the stored decoding; OK gives back what the fields hold.
    void valueFields()
    {
        QFETCH(QString, valueType);
        QFETCH(QString, scale);
        QFETCH(int, offset);
        QFETCH(QString, warning);
        QFETCH(std::optional<SValueDecoding>, expected);
        SI2cCommand command = WriteReadCommand(u"Temp"_s, {0x05}, 4);
        command.value = SValueDecoding{2, EValueType::S16Be, 0.0625, -40.5, u"\u00B0C"_s};
        CommandDialog dialog(u"Edit Command"_s, u"Beta"_s, {}, nullptr);
        dialog.setCommand(command);
        QCOMPARE(dialog.findChild<QLineEdit *>(u"valueScaleEdit"_s)->text(), u"0.0625"_s);
        auto *types = dialog.findChild<QComboBox *>(u"valueTypeCombo"_s);
        types->setCurrentIndex(types->findText(valueType));
        dialog.findChild<QLineEdit *>(u"valueScaleEdit"_s)->setText(scale);
        dialog.findChild<QSpinBox *>(u"valueOffsetSpin"_s)->setValue(offset);
        QCOMPARE(dialog.findChild<QLineEdit *>(u"valueUnitEdit"_s)->isEnabled(),
                 valueType != u"None"_s);

        CModalScript script;
        script.Then<CommandDialog>([](CommandDialog *shown) { ClickOk(shown); });
        if (!warning.isEmpty()) {
            script.Then<QMessageBox>([](QMessageBox *box) { ClickButton(box, QMessageBox::Ok); })
                .Then<CommandDialog>([](CommandDialog *shown) { shown->reject(); })
                .Then<QMessageBox>([](QMessageBox *box) { ClickButton(box, QMessageBox::Yes); });
        }
        const int result = dialog.exec();
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        if (!warning.isEmpty()) {
            QCOMPARE(result, int(QDialog::Rejected));
            QCOMPARE(script.Seen().at(1), u"Edit Command: "_s + warning);
            return;
        }
        QCOMPARE(dialog.command().value, expected);
    }

    // Cancel with input asks, and No keeps the dialog and its input; untouched, it closes at
    // once. The same for the sequence and the device dialog.
    void closingWithInputAsks_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("edited");
        for (const QString &kind : {u"command"_s, u"sequence"_s, u"device"_s}) {
            QTest::addRow("%s untouched", qPrintable(kind)) << kind << false;
            QTest::addRow("%s edited", qPrintable(kind)) << kind << true;
        }
    }

    void closingWithInputAsks()
    {
        QFETCH(QString, kind);
        QFETCH(bool, edited);
        std::unique_ptr<QDialog> dialog;
        if (kind == u"command"_s) {
            auto *command = new CommandDialog(u"Edit Command"_s, u"Beta"_s, {}, nullptr);
            command->setCommand(ReadCommand(u"Get"_s, 2));
            dialog.reset(command);
        } else if (kind == u"sequence"_s) {
            auto *sequence = new SequenceDialog(u"New Sequence"_s, u"Beta"_s, 0x20, {}, nullptr);
            dialog.reset(sequence);
        } else {
            auto *device = new ProjectDeviceDialog(
                u"Device Properties"_s,
                [](const QString &) { return std::optional<unsigned char>(1); }, {}, nullptr);
            device->setValues(u"Beta"_s, u"0x20"_s, QString());
            dialog.reset(device);
        }
        CModalScript script;
        script.Then<QDialog>([edited](QDialog *shown) {
            if (edited) {
                if (auto *plain = shown->findChild<QPlainTextEdit *>())
                    plain->setPlainText(u"w1 01"_s);
                else
                    shown->findChild<QLineEdit *>()->setText(u"other"_s);
            }
            shown->reject();
        });
        if (edited) {
            script.Then<QMessageBox>([](QMessageBox *box) { ClickButton(box, QMessageBox::No); })
                .Then<QDialog>([](QDialog *shown) { shown->reject(); })
                .Then<QMessageBox>([](QMessageBox *box) { ClickButton(box, QMessageBox::Yes); });
        }
        QCOMPARE(dialog->exec(), int(QDialog::Rejected));
        QVERIFY2(script.Done(), qPrintable(script.Failure()));
        QCOMPARE(script.Seen().size(), edited ? 4 : 1);
        if (edited)
            QCOMPARE(script.Seen().at(1), dialog->windowTitle() + u": Discard the changes?"_s);
    }
};

VTL_TEST_MAIN(tst_CommandDialog)
#include "tst_CommandDialog.moc"
