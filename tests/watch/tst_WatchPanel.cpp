// SPDX-License-Identifier: MIT
// The Watch dock's panel; its buttons' requests are followed in tests/app/tst_watch.cpp.
#include "VtlTestMain.h"
#include "WatchPanel.h"

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

using Bytes = std::vector<unsigned char>;

namespace {

const QString TARGET = u"Read 0x23, 2 bytes"_s;

template <typename T = QWidget>
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
    child<QLineEdit>(panel, name)->clear();
    QTest::keyClicks(child<QLineEdit>(panel, name), text);
}

} // namespace

class TestWatchPanel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void enabling_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("start");
        QTest::newRow("no target") << QString() << false << false;
        QTest::newRow("target, stopped") << TARGET << false << true;
        QTest::newRow("target, running") << TARGET << true << false;
    }

    void enabling()
    {
        QFETCH(QString, target);
        QFETCH(bool, running);
        QFETCH(bool, start);
        WatchPanel panel;
        panel.setTarget(target, std::nullopt);
        panel.setRunning(running);
        QCOMPARE(child(panel, u"btn_watch_start"_s)->isEnabled(), start);
        QCOMPARE(child(panel, u"btn_watch_stop"_s)->isEnabled(), running);
        QVERIFY(child(panel, u"btn_watch_clear"_s)->isEnabled());
        QVERIFY(!child(panel, u"btn_watch_export"_s)->isEnabled());
        for (const QString &name :
             {u"btn_watch_from_fields"_s, u"spin_watch_interval"_s, u"spin_watch_offset"_s,
              u"cmb_watch_type"_s, u"edit_watch_scale"_s, u"edit_watch_add"_s,
              u"edit_watch_unit"_s})
            QVERIFY2(child(panel, name)->isEnabled() == !running, qPrintable(name));
    }

    // Start empties the log; Clear empties it and the labels while the run goes on.
    void startAndClearEmptyTheLog()
    {
        WatchPanel panel;
        panel.setTarget(TARGET, std::nullopt);
        panel.addSample(0, {0x01}, QString());
        panel.setRunning(true);
        QCOMPARE(panel.log().Count(), std::size_t(0));
        panel.addSample(500, {0x02}, QString());
        child<QPushButton>(panel, u"btn_watch_clear"_s)->click();
        QCOMPARE(panel.log().Count(), std::size_t(0));
        QCOMPARE(labelText(panel, u"label_watch_raw"_s), QString());
        QCOMPARE(labelText(panel, u"label_watch_stats"_s), u"0 samples, 0 failed"_s);
        QVERIFY(panel.isRunning());
    }

    // The note compares the mean time per sample over the run with the 500 ms interval.
    void readings_data()
    {
        QTest::addColumn<QList<qint64>>("times");
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("raw");
        QTest::addColumn<QString>("stats");
        const QList<qint64> once{1000};
        QTest::newRow("value") << once << Bytes{0x01, 0x8E} << QString() << u"01 8E"_s
                               << u"1 sample, 0 failed, min 199 lx, max 199 lx, last 199 lx"_s;
        QTest::newRow("failed") << once << Bytes{} << u"NACK"_s << u"failed: NACK"_s
                                << u"1 sample, 1 failed"_s;
        QTest::newRow("too few bytes")
            << once << Bytes{0x01} << QString() << u"01 (no value for this decoding)"_s
            << u"1 sample, 0 failed"_s;
        QTest::newRow("within a tenth of the interval")
            << QList<qint64>{0, 550, 1100} << Bytes{} << u"NACK"_s << u"failed: NACK"_s
            << u"3 samples, 3 failed"_s;
        QTest::newRow("slower") << QList<qint64>{0, 600, 1200} << Bytes{} << u"NACK"_s
                                << u"failed: NACK"_s
                                << u"3 samples, 3 failed\ninterval too short: 600 ms per sample"_s;
        QTest::newRow("one slow of three")
            << QList<qint64>{0, 400, 1600} << Bytes{} << u"NACK"_s << u"failed: NACK"_s
            << u"3 samples, 3 failed\ninterval too short: 800 ms per sample"_s;
    }

    void readings()
    {
        QFETCH(QList<qint64>, times);
        QFETCH(Bytes, bytes);
        QFETCH(QString, error);
        QFETCH(QString, raw);
        QFETCH(QString, stats);
        WatchPanel panel;
        panel.setTarget(TARGET, SValueDecoding{0, EValueType::U16Be, 0.5, 0, u"lx"_s});
        for (const qint64 time : times)
            panel.addSample(time, bytes, error);
        QCOMPARE(labelText(panel, u"label_watch_raw"_s), raw);
        QCOMPARE(labelText(panel, u"label_watch_stats"_s), stats);
        QCOMPARE(panel.summaryText(), stats.section(u'\n', 0, 0));
        QVERIFY(child(panel, u"btn_watch_export"_s)->isEnabled());
    }

    // Numbers as C writes them; a field that holds none keeps the last number.
    void decodingFromControls_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("scale");
        QTest::newRow("exponent") << u"2.5e-3"_s << 0.0025;
        QTest::newRow("leading dot") << u"-.25"_s << -0.25;
        QTest::newRow("comma is no decimal mark") << u"0,5"_s << 5.0;
        QTest::newRow("unfinished number") << u"1e"_s << 1.0;
    }

    void decodingFromControls()
    {
        QFETCH(QString, text);
        QFETCH(double, scale);
        WatchPanel panel;
        typeInto(panel, u"edit_watch_scale"_s, text);
        typeInto(panel, u"edit_watch_unit"_s, u" \u00B0C "_s);
        QCOMPARE(panel.decoding(), (SValueDecoding{0, EValueType::U8, scale, 0, u"\u00B0C"_s}));
    }

    // A target without decoding keeps the one on screen; an edit decodes the log again, so
    // figures and export never mix two decodings.
    void decodingAppliesToLog()
    {
        WatchPanel panel;
        const SValueDecoding decoding{1, EValueType::S16Be, 0.1 + 0.2, -40, u"lx"_s};
        panel.setTarget(TARGET, decoding);
        panel.setTarget(u"Read 0x23, 3 bytes"_s, std::nullopt);
        QCOMPARE(panel.decoding(), decoding);
        panel.addSample(0, {0xFF, 0x00, 10}, QString());
        panel.addSample(500, {0xFF, 0x00, 20}, QString());
        typeInto(panel, u"edit_watch_scale"_s, u"2"_s);
        typeInto(panel, u"edit_watch_unit"_s, u"mV"_s);
        QCOMPARE(labelText(panel, u"label_watch_stats"_s),
                 u"2 samples, 0 failed, min -20 mV, max 0 mV, last 0 mV"_s);
    }

    // A failed export shows why and reports nothing; then one into a good path.
    void exportCsv()
    {
        const QTemporaryDir dir;
        QFile blocker(dir.filePath(u"blocker"_s));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        WatchPanel panel;
        panel.setTarget(TARGET, SValueDecoding{0, EValueType::U8, 1, 0, u"lx"_s});
        panel.addSample(0, {0x10}, QString());
        panel.addSample(500, {}, u"NACK"_s);
        QSignalSpy status(&panel, &WatchPanel::statusMessage);
        QString boxText;
        // Types the name into the dialog's own field: selectFile leaves a focused field alone.
        const auto exportTo = [&](const QString &path) {
            QTimer::singleShot(0, &panel, [&panel, &boxText, path] {
                auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                dialog->findChild<QLineEdit *>(u"fileNameEdit"_s)->setText(path);
                QTimer::singleShot(0, &panel, [&boxText] {
                    if (auto *box =
                            qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                        boxText = box->windowTitle() + u'|' + box->text();
                        box->button(QMessageBox::Ok)->click();
                    }
                });
                static_cast<QDialog *>(dialog)->accept();
            });
            child<QPushButton>(panel, u"btn_watch_export"_s)->click();
        };
        const QString blocked = dir.filePath(u"blocker/light.csv"_s);
        exportTo(blocked);
        QVERIFY2(boxText.startsWith(u"Export CSV|Could not write the file:\n%1\n\n"_s.arg(blocked)),
                 qPrintable(boxText));
        QCOMPARE(status.count(), 0);

        const QString path = dir.filePath(u"light.csv"_s);
        exportTo(path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), panel.log().CsvText(u"lx"_s));
        QCOMPARE(status.count(), 1);
        QCOMPARE(status.at(0).at(0).toString(), u"2 sample(s) exported to %1"_s.arg(path));
    }
};

VTL_TEST_MAIN(TestWatchPanel)
#include "tst_WatchPanel.moc"
