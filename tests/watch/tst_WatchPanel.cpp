// SPDX-License-Identifier: MIT
// The Watch dock's panel as the window drives it: controls and their limits, what is
// enabled when, readings in the labels, the decoding the controls give, and the export.
#include "VtlTestMain.h"
#include "WatchPanel.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>

#include <functional>

using namespace Qt::StringLiterals;

using Bytes = std::vector<unsigned char>;

namespace {

// Calls `act` once with the first modal widget of type T that shows up.
template <typename T>
void whenModal(std::function<void(T *)> act)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto *widget = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(widget);
        }
    });
    timer->start();
}

// Types the name into the dialog's own field (selectFile leaves a focused field alone) and
// presses Save.
void chooseFile(QFileDialog *dialog, const QString &path)
{
    QLineEdit *name = dialog->findChild<QLineEdit *>(u"fileNameEdit"_s);
    if (!name)
        qFatal("the file dialog has no name field");
    name->setText(path);
    static_cast<QDialog *>(dialog)->accept();
}

SValueDecoding decodingOf(std::size_t offset, EValueType type, double scale, double add,
                          const QString &unit)
{
    SValueDecoding decoding;
    decoding.offset = offset;
    decoding.type = type;
    decoding.scale = scale;
    decoding.add = add;
    decoding.unit = unit;
    return decoding;
}

} // namespace

class TestWatchPanel : public QObject
{
    Q_OBJECT

    template <typename T>
    T *child(const WatchPanel &panel, const QString &name)
    {
        T *widget = panel.findChild<T *>(name);
        if (!widget)
            qFatal("no %s", qPrintable(name));
        return widget;
    }

    QString labelText(const WatchPanel &panel, const QString &name)
    {
        return child<QLabel>(panel, name)->text();
    }

    void typeInto(const WatchPanel &panel, const QString &name, const QString &text)
    {
        QLineEdit *edit = child<QLineEdit>(panel, name);
        edit->clear();
        QTest::keyClicks(edit, text);
    }

private Q_SLOTS:
    void initTestCase() { Q_INIT_RESOURCE(resources); }

    void controlsAtStart()
    {
        WatchPanel panel;
        QSpinBox *interval = child<QSpinBox>(panel, u"spin_watch_interval"_s);
        QCOMPARE(QList<int>({interval->minimum(), interval->maximum(), panel.intervalMs()}),
                 QList<int>({10, 3600000, 500}));
        QCOMPARE(interval->suffix(), u" ms"_s);
        QComboBox *type = child<QComboBox>(panel, u"cmb_watch_type"_s);
        QCOMPARE(type->count(), int(SValueDecoding::Types().size()));
        QCOMPARE(type->itemText(15), u"f32le"_s);
        QCOMPARE(panel.decoding(), SValueDecoding());
        QVERIFY(!child<QPushButton>(panel, u"btn_watch_export"_s)->isEnabled());
        for (const QString &name :
             {u"btn_watch_start"_s, u"btn_watch_stop"_s, u"btn_watch_clear"_s})
            QVERIFY2(!child<QPushButton>(panel, name)->icon().pixmap(32).isNull(),
                     qPrintable(name));
    }

    void enabling_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("start");
        QTest::newRow("no target") << QString() << false << false;
        QTest::newRow("target, stopped") << u"Read 0x23, 2 bytes"_s << false << true;
        QTest::newRow("target, running") << u"Read 0x23, 2 bytes"_s << true << false;
    }

    void enabling()
    {
        QFETCH(QString, target);
        QFETCH(bool, running);
        QFETCH(bool, start);
        WatchPanel panel;
        panel.setTarget(target, std::nullopt);
        panel.setRunning(running);
        QCOMPARE(child<QPushButton>(panel, u"btn_watch_start"_s)->isEnabled(), start);
        QCOMPARE(child<QPushButton>(panel, u"btn_watch_stop"_s)->isEnabled(), running);
        QVERIFY(child<QPushButton>(panel, u"btn_watch_clear"_s)->isEnabled());
        for (const QString &name :
             {u"btn_watch_from_fields"_s, u"spin_watch_interval"_s, u"spin_watch_offset"_s,
              u"cmb_watch_type"_s, u"edit_watch_scale"_s, u"edit_watch_add"_s,
              u"edit_watch_unit"_s})
            QVERIFY2(child<QWidget>(panel, name)->isEnabled() == !running, qPrintable(name));
    }

    void requests_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QByteArray>("signal");
        QTest::newRow("from fields")
            << u"btn_watch_from_fields"_s << QByteArray(SIGNAL(fromFieldsRequested()));
        QTest::newRow("start") << u"btn_watch_start"_s << QByteArray(SIGNAL(startRequested()));
        QTest::newRow("stop") << u"btn_watch_stop"_s << QByteArray(SIGNAL(stopRequested()));
    }

    // Each button asks the window exactly once and changes nothing itself.
    void requests()
    {
        QFETCH(QString, button);
        QFETCH(QByteArray, signal);
        WatchPanel panel;
        panel.setTarget(u"Read 0x23, 2 bytes"_s, std::nullopt);
        panel.setRunning(button == u"btn_watch_stop"_s);
        const bool running = panel.isRunning();
        QSignalSpy spy(&panel, signal.constData());
        child<QPushButton>(panel, button)->click();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(panel.isRunning(), running);
    }

    void startEmptiesLog()
    {
        WatchPanel panel;
        panel.addSample(0, {0x01}, QString());
        panel.setRunning(true);
        QCOMPARE(panel.log().Count(), std::size_t(0));
        panel.addSample(500, {0x02}, QString());
        panel.setRunning(true);
        panel.setRunning(false);
        QCOMPARE(panel.log().Count(), std::size_t(1));
    }

    void readings_data()
    {
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("stats");
        QTest::newRow("value") << Bytes{0x01, 0x8E} << QString() << u"01 8E"_s
                               << u"1 sample, 0 failed, min 199 lx, max 199 lx, last 199 lx"_s;
        QTest::newRow("failed") << Bytes{} << u"NACK"_s << u"failed: NACK"_s
                                << u"1 sample, 1 failed"_s;
        QTest::newRow("too few bytes")
            << Bytes{0x01} << QString() << u"01 (no value for this decoding)"_s
            << u"1 sample, 0 failed"_s;
    }

    void readings()
    {
        QFETCH(Bytes, bytes);
        QFETCH(QString, error);
        QFETCH(QString, raw);
        QFETCH(QString, stats);
        WatchPanel panel;
        panel.setTarget(u"Read 0x23, 2 bytes"_s, decodingOf(0, EValueType::U16Be, 0.5, 0, u"lx"_s));
        panel.addSample(1000, bytes, error);
        QCOMPARE(labelText(panel, u"label_watch_raw"_s), raw);
        QCOMPARE(labelText(panel, u"label_watch_stats"_s), stats);
        QCOMPARE(panel.summaryText(), stats);
        QVERIFY(child<QPushButton>(panel, u"btn_watch_export"_s)->isEnabled());
    }

    void slowReadings_data()
    {
        QTest::addColumn<QList<qint64>>("times");
        QTest::addColumn<QString>("note");
        const QList<qint64> onTime{0, 500, 1000, 1500};
        QTest::newRow("on time") << onTime << QString();
        QTest::newRow("within a tenth") << QList<qint64>{0, 550, 1100} << QString();
        QTest::newRow("slower") << QList<qint64>{0, 600, 1200}
                                << u"interval too short: 600 ms per sample"_s;
        QTest::newRow("one slow of three")
            << QList<qint64>{0, 400, 1600} << u"interval too short: 800 ms per sample"_s;
    }

    void slowReadings()
    {
        QFETCH(QList<qint64>, times);
        QFETCH(QString, note);
        WatchPanel panel;
        for (const qint64 time : times)
            panel.addSample(time, {0x01}, QString());
        const QStringList lines = labelText(panel, u"label_watch_stats"_s).split(u'\n');
        QCOMPARE(lines.value(0), panel.summaryText());
        QCOMPARE(lines.value(1), note);
    }

    void decodingFromControls_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("scale");
        QTest::addColumn<QString>("add");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<SValueDecoding>("expected");
        QTest::newRow("every field") << 2 << u"s16le"_s << u"2.5e-3"_s << u"-40"_s << u" \u00B0C "_s
                                     << decodingOf(2, EValueType::S16Le, 0.0025, -40, u"\u00B0C"_s);
        QTest::newRow("leading dot") << 0 << u"f32be"_s << u"+.5"_s << u"-.25"_s << QString()
                                     << decodingOf(0, EValueType::F32Be, 0.5, -0.25, QString());
        QTest::newRow("comma is no decimal mark") << 0 << u"u8"_s << u"0,5"_s << u"0"_s << QString()
                                                  << decodingOf(0, EValueType::U8, 5, 0, QString());
        QTest::newRow("unfinished number keeps the last")
            << 1 << u"u32le"_s << u"1e"_s << u"3."_s << u"V"_s
            << decodingOf(1, EValueType::U32Le, 1, 3, u"V"_s);
    }

    void decodingFromControls()
    {
        QFETCH(int, offset);
        QFETCH(QString, type);
        QFETCH(QString, scale);
        QFETCH(QString, add);
        QFETCH(QString, unit);
        QFETCH(SValueDecoding, expected);
        WatchPanel panel;
        child<QSpinBox>(panel, u"spin_watch_offset"_s)->setValue(offset);
        QComboBox *types = child<QComboBox>(panel, u"cmb_watch_type"_s);
        types->setCurrentIndex(types->findText(type));
        typeInto(panel, u"edit_watch_scale"_s, scale);
        typeInto(panel, u"edit_watch_add"_s, add);
        typeInto(panel, u"edit_watch_unit"_s, unit);
        QCOMPARE(panel.decoding(), expected);
    }

    void setTargetFillsControls()
    {
        WatchPanel panel;
        const SValueDecoding decoding =
            decodingOf(3, EValueType::S24Be, 0.1 + 0.2, -273.15, u"K"_s);
        panel.setTarget(u"Write/Read 0x50 [10] > 4 bytes"_s, decoding);
        QCOMPARE(labelText(panel, u"label_watch_target"_s), u"Write/Read 0x50 [10] > 4 bytes"_s);
        QCOMPARE(child<QComboBox>(panel, u"cmb_watch_type"_s)->currentText(), u"s24be"_s);
        QCOMPARE(panel.decoding(), decoding);
        panel.setTarget(u"Read 0x23, 2 bytes"_s, std::nullopt);
        QCOMPARE(panel.decoding(), decoding);
    }

    // The log follows the decoding on screen, so figures and export never mix two.
    void editedDecodingAppliesToLog()
    {
        WatchPanel panel;
        panel.setTarget(u"Read 0x23, 2 bytes"_s, decodingOf(0, EValueType::U8, 1, 0, u"lx"_s));
        panel.addSample(0, {10}, QString());
        panel.addSample(500, {20}, QString());
        typeInto(panel, u"edit_watch_scale"_s, u"2"_s);
        typeInto(panel, u"edit_watch_unit"_s, u"mV"_s);
        QCOMPARE(panel.summaryText(), u"2 samples, 0 failed, min 20 mV, max 40 mV, last 40 mV"_s);
        QCOMPARE(labelText(panel, u"label_watch_stats"_s), panel.summaryText());
    }

    void clearWhileRunning()
    {
        WatchPanel panel;
        panel.setTarget(u"Read 0x23, 2 bytes"_s, std::nullopt);
        panel.setRunning(true);
        panel.addSample(0, {0x01}, QString());
        child<QPushButton>(panel, u"btn_watch_clear"_s)->click();
        QCOMPARE(panel.log().Count(), std::size_t(0));
        QCOMPARE(labelText(panel, u"label_watch_raw"_s), QString());
        QCOMPARE(labelText(panel, u"label_watch_stats"_s), u"0 samples, 0 failed"_s);
        QVERIFY(panel.isRunning());
    }

    void exportWritesFile()
    {
        const QTemporaryDir dir;
        const QString path = dir.filePath(u"light.csv"_s);
        WatchPanel panel;
        panel.setTarget(u"Read 0x23, 2 bytes"_s, decodingOf(0, EValueType::U8, 1, 0, u"lx"_s));
        panel.addSample(0, {0x10}, QString());
        panel.addSample(500, {}, u"NACK"_s);
        QSignalSpy status(&panel, &WatchPanel::statusMessage);
        whenModal<QFileDialog>([&path](QFileDialog *dialog) { chooseFile(dialog, path); });
        child<QPushButton>(panel, u"btn_watch_export"_s)->click();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), panel.log().CsvText(u"lx"_s));
        QCOMPARE(status.count(), 1);
        QCOMPARE(status.at(0).at(0).toString(), u"2 sample(s) exported to %1"_s.arg(path));
    }

    void exportFailureShowsBox()
    {
        const QTemporaryDir dir;
        const QString path = dir.filePath(u"light.csv"_s);
        QFile blocker(dir.filePath(u"not-a-folder"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString target = blocker.fileName() + u"/light.csv"_s;
        WatchPanel panel;
        panel.addSample(0, {0x10}, QString());
        QSignalSpy status(&panel, &WatchPanel::statusMessage);
        QString title;
        QString text;
        whenModal<QFileDialog>([&](QFileDialog *dialog) {
            whenModal<QMessageBox>([&](QMessageBox *box) {
                title = box->windowTitle();
                text = box->text();
                box->button(QMessageBox::Ok)->click();
            });
            chooseFile(dialog, target);
        });
        child<QPushButton>(panel, u"btn_watch_export"_s)->click();
        QCOMPARE(title, u"Export CSV"_s);
        QVERIFY2(text.startsWith(u"Could not write the file:\n%1\n\n"_s.arg(target)),
                 qPrintable(text));
        QCOMPARE(status.count(), 0);
        QVERIFY(!QFile::exists(path));
    }
};

VTL_TEST_MAIN(TestWatchPanel)
#include "tst_WatchPanel.moc"
