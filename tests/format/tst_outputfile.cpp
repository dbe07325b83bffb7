// SPDX-License-Identifier: MIT
// Output files of every kind: replaced in one step when regular, written in place (and left
// what they are) when a FIFO or a device, refused when a folder, with the system's cause.
#include "COutputFile.h"
#include "VtlTestMain.h"

#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class TestOutputFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void kindsOfTarget_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("new file") << u"new"_s << QString() << false;
        QTest::newRow("regular file is replaced") << u"regular"_s << QString() << false;
        QTest::newRow("FIFO") << u"fifo"_s << QString() << true;
        QTest::newRow("character device") << u"/dev/null"_s << QString() << true;
        QTest::newRow("full device") << u"/dev/full"_s << u"No space left on device"_s << true;
        QTest::newRow("folder") << u"folder"_s << u"is a folder"_s << false;
        QTest::newRow("missing folder") << u"missing"_s << u"No such file or directory"_s << false;
    }

    void kindsOfTarget()
    {
        QFETCH(QString, kind);
        QFETCH(QString, error);
        QFETCH(bool, inPlace);
        QTemporaryDir dir;
        QString path = dir.filePath(u"out.bin"_s);
        int reader = -1;
        ino_t inodeBefore = 0;
        struct stat status = {};
        if (kind == "regular"_L1) {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old contents, longer") > 0);
            old.close();
            QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
            inodeBefore = status.st_ino;
        } else if (kind == "fifo"_L1) {
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            reader = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK);
            QVERIFY(reader >= 0);
        } else if (kind == "folder"_L1) {
            path = dir.path();
        } else if (kind == "missing"_L1) {
            path = dir.filePath(u"no/out.bin"_s);
        } else if (kind.startsWith(u'/')) {
            path = kind;
        }

        COutputFile file(path);
        const bool written = file.Write("new"_ba);
        QCOMPARE(file.GetLastError(), error);
        QCOMPARE(written, error.isEmpty());
        if (error.isEmpty())
            QCOMPARE(file.IsInPlace(), inPlace);

        if (kind == "fifo"_L1) {
            char buffer[8] = {};
            QCOMPARE(::read(reader, buffer, sizeof buffer), ssize_t(3));
            ::close(reader);
            QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
            QVERIFY(S_ISFIFO(status.st_mode));
        } else if (kind == "regular"_L1 || kind == "new"_L1) {
            QFile back(path);
            QVERIFY(back.open(QIODevice::ReadOnly));
            QCOMPARE(back.readAll(), "new"_ba);
            QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
            // A new inode: the old file was replaced, not rewritten.
            QVERIFY(status.st_ino != inodeBefore);
        } else if (kind.startsWith(u'/')) {
            QCOMPARE(::stat(QFile::encodeName(path).constData(), &status), 0);
            QVERIFY(S_ISCHR(status.st_mode));
        }
    }

    void standardOutputIsWrittenInPlace()
    {
        for (const char *name : {"-", "/dev/stdout", "/proc/self/fd/1"}) {
            COutputFile file(QString::fromLatin1(name));
            QVERIFY(file.Check());
            QVERIFY(file.IsInPlace());
            QVERIFY(file.IsStandardOutput());
        }
        QVERIFY(!COutputFile(u"/dev/stderr"_s).IsStandardOutput());
    }
};

VTL_TEST_MAIN(TestOutputFile)
#include "tst_outputfile.moc"
