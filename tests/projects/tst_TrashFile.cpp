// SPDX-License-Identifier: MIT
#include "TrashFile.h"
#include "VtlTestMain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

// The home trash lives in the data folder, which a fresh account may not have yet.
class tst_TrashFile : public QObject
{
    Q_OBJECT

private:
    QString m_data;
    QString m_previousDir;
    std::unique_ptr<QTemporaryDir> m_workingDir;
    std::unique_ptr<QTemporaryDir> m_files;

    QString MakeFile(const QString &name)
    {
        const QString path = m_files->filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write("content");
        return path;
    }

private Q_SLOTS:
    void init()
    {
        m_data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        QDir(m_data).removeRecursively();
        QFile::remove(m_data);
        m_files = std::make_unique<QTemporaryDir>();
        // Qt's faulty fallback lands under the current directory: make that one observable.
        m_workingDir = std::make_unique<QTemporaryDir>();
        m_previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_workingDir->path()));
    }

    void cleanup()
    {
        QDir::setCurrent(m_previousDir);
        QFile::remove(m_data);
        QDir(m_data).removeRecursively();
    }

    void intoHomeTrash_data()
    {
        QTest::addColumn<bool>("dataFolderExists");
        QTest::newRow("data folder missing") << false;
        QTest::newRow("data folder present") << true;
    }

    void intoHomeTrash()
    {
        QFETCH(bool, dataFolderExists);
        QCOMPARE(QFileInfo::exists(m_data), false);
        if (dataFolderExists)
            QVERIFY(QDir().mkpath(m_data));
        const QString path = MakeFile(u"sensor.i2cdev"_s);

        QVERIFY(MoveFileToTrash(path));
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(QFileInfo::exists(m_data + u"/Trash/files/sensor.i2cdev"_s));
        QVERIFY(QFileInfo::exists(m_data + u"/Trash/info/sensor.i2cdev.trashinfo"_s));
        QVERIFY(QDir(m_workingDir->path()).isEmpty());
    }

    // With no way to make the home trash, Qt "trashes" into the current directory and says
    // it succeeded: that is undone and reported as a failure, the file back in its place.
    void strayTrashUndone()
    {
        QVERIFY(QDir().mkpath(QFileInfo(m_data).absolutePath()));
        QFile blocker(m_data);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString path = MakeFile(u"sensor.i2cdev"_s);

        QVERIFY(!MoveFileToTrash(path));
        QVERIFY(QFileInfo::exists(path));
        QVERIFY(QDir(m_workingDir->path()).isEmpty());
    }

    void missingFileFails()
    {
        QVERIFY(!MoveFileToTrash(m_files->filePath(u"none.i2cdev"_s)));
        QVERIFY(QDir(m_workingDir->path()).isEmpty());
    }
};

VTL_TEST_MAIN(tst_TrashFile)
#include "tst_TrashFile.moc"
