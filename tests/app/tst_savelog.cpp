// SPDX-License-Identifier: MIT
// Save Log in the window: the file dialog, the file written from the table's rows, the
// confirmation, and a failed save that keeps the old file.
#include "AppTestSupport.h"
#include "FixedTimeZone.h"
#include "UnwritableFolder.h"
#include "VtlTestMain.h"
#include "mainwindow.h"

#include <QDir>
#include <QFileDialog>
#include <QSettings>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

// 2026-12-08 14:03:07.412 +01:00.
constexpr qint64 STARTED_MS = 1796734987412;

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestSaveLog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void savesRows();
    void cancelWritesNothing();
    void failedSaveKeepsOldFile();

private:
    // Answers the save dialog with `path`, or cancels it when `path` is empty.
    void answerDialog(const QString &path);

    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<CModalWatcher> m_watcher;
    QStringList m_filters;
    QString m_selectedFilter;
    QString m_title;
};

void TestSaveLog::initTestCase()
{
    Q_INIT_RESOURCE(resources);
    UseFixedTimeZone();
}

void TestSaveLog::init()
{
    QSettings().clear();
    m_window = std::make_unique<MainWindow>();
    m_watcher = std::make_unique<CModalWatcher>();
    // A read shown on two lines, a refused read and a search.
    std::vector<unsigned char> bytes(17);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<unsigned char>(i);
    m_window->addTableRow(u"Read 0x50"_s, u"0x11"_s, bytes, false, {STARTED_MS, 1060000});
    m_window->addTableRow(u"Read 0x50"_s,
                          u"0x00  Invalid read count, this device reads 1..256 bytes"_s,
                          std::vector<unsigned char>(), true, {STARTED_MS + 1000, 850});
    m_window->addTableRow(u"Search"_s, QString(), u"0x23, 0x50"_s, false,
                          {STARTED_MS + 2000, 113000});
}

void TestSaveLog::cleanup()
{
    m_watcher.reset();
    m_window.reset();
}

void TestSaveLog::answerDialog(const QString &path)
{
    m_watcher->onDialog = [this, path](QDialog *dialog) {
        auto *files = qobject_cast<QFileDialog *>(dialog);
        if (files == nullptr) {
            dialog->reject();
            return;
        }
        m_title = files->windowTitle();
        m_filters = files->nameFilters();
        m_selectedFilter = files->selectedNameFilter();
        if (path.isEmpty()) {
            files->reject();
            return;
        }
        // Done directly: accept() would first ask whether to replace an existing file.
        files->selectFile(path);
        dialog->done(QDialog::Accepted);
    };
}

void TestSaveLog::savesRows()
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(u"log.csv"_s);
    answerDialog(path);
    ActionOf(*m_window, "actionSaveLog")->trigger();

    QCOMPARE(m_watcher->dialogs, 1);
    QCOMPARE(m_title, u"Save Log"_s);
    QCOMPARE(m_filters, QStringList({u"CSV files (*.csv)"_s, u"Text files (*.txt)"_s}));
    QCOMPARE(m_selectedFilter, u"CSV files (*.csv)"_s);
    QVERIFY(m_watcher->boxes.isEmpty());
    // The read on two lines is one line of hex; the reason and the search hold commas.
    QCOMPARE(contentsOf(path),
             QByteArray("time,duration_us,type,flags,data,error\r\n"
                        "2026-12-08T14:03:07.412+01:00,1060000,Read 0x50,0x11,"
                        "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10,0\r\n"
                        "2026-12-08T14:03:08.412+01:00,850,Read 0x50,\"0x00  "
                        "Invalid read count, this device reads 1..256 bytes\",,1\r\n"
                        "2026-12-08T14:03:09.412+01:00,113000,Search,,\"0x23, 0x50\",0\r\n"));
    QCOMPARE(m_window->statusBar()->currentMessage(),
             u"Log saved to %1"_s.arg(QDir::toNativeSeparators(path)));
}

void TestSaveLog::cancelWritesNothing()
{
    const QTemporaryDir dir;
    answerDialog(QString());
    ActionOf(*m_window, "actionSaveLog")->trigger();
    QCOMPARE(m_watcher->dialogs, 1);
    QVERIFY(QDir(dir.path()).isEmpty());
    QVERIFY(m_watcher->boxes.isEmpty());
    QVERIFY(m_window->statusBar()->currentMessage().isEmpty());
}

void TestSaveLog::failedSaveKeepsOldFile()
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(u"log.csv"_s);
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old log\n");
    }
    {
        const CUnwritableFolder unwritable(dir.path());
        if (unwritable.IsWritable())
            QSKIP("this machine lets the test write into any folder");
        answerDialog(path);
        ActionOf(*m_window, "actionSaveLog")->trigger();
    }
    QCOMPARE(m_watcher->boxes.size(), 1);
    const SSeenBox box = m_watcher->boxes.first();
    QCOMPARE(box.title, u"Save Log"_s);
    QCOMPARE(box.icon, QMessageBox::Critical);
    const QString start = u"Could not save the file:\n%1\n\n"_s.arg(QDir::toNativeSeparators(path));
    QVERIFY2(box.text.startsWith(start) && box.text.size() > start.size(), qPrintable(box.text));
    QCOMPARE(contentsOf(path), QByteArray("old log\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({u"log.csv"_s}));
    QVERIFY(m_window->statusBar()->currentMessage().isEmpty());
}

VTL_TEST_MAIN(TestSaveLog)
#include "tst_savelog.moc"
