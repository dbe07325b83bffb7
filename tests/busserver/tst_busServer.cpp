// SPDX-License-Identifier: MIT
// The bus server on the simulator: other programs share the owner's adapter with their
// origin logged, a held bus lets nothing in between, a client that goes away frees the
// bus, an unplug reaches every client once, and a stranger, a bad frame or an unknown
// version is refused without disturbing the rest.
#include "BusPeerCredentials.h"
#include "BusServerDirectory.h"
#include "BusTestClients.h"
#include "CBusServer.h"
#include "CBusSession.h"
#include "CSimBus.h"
#include "CSimPresetBench.h"
#include "CliProcess.h"
#include "ReportLines.h"
#include "VtlTestMain.h"

#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <sys/stat.h>
#include <sys/wait.h>

using namespace Qt::StringLiterals;
using BusFrames::EFrameType;

namespace {

constexpr std::uint8_t EEPROM = CSimPresetBench::EEPROM_ADDRESS;
const std::wstring SERIAL = CSimPresetBench::SERIAL_A;

STransactionRequest Write(unsigned char byte)
{
    return STransactionRequest::Write(EEPROM, {0x00, byte});
}

// The data byte of every write the adapter put on the bus, in wire order.
QStringList WrittenBytes(const std::shared_ptr<CSimAdapter> &adapter)
{
    QStringList bytes;
    for (const QString &line : ReportLines(adapter->GetSpecialReports())) {
        if (line.startsWith(u"02 "_s))
            bytes << line.section(u' ', 4, 4);
    }
    return bytes;
}

BusFrames::SFrame Frame(EFrameType type, std::uint32_t tag = 1)
{
    BusFrames::SFrame frame;
    frame.type = type;
    frame.tag = tag;
    return frame;
}

} // namespace

class TestBusServer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void clientsShareWithTheirOrigin();
    void heldBusLetsNothingBetween();
    void busFreedAfterClient_data();
    void busFreedAfterClient();
    void speedChangeReachesEveryone();
    void unplugReachesEveryClientOnce();
    void badClientClosedAlone_data();
    void badClientClosedAlone();
    void otherUserRefused();
    void startOverExistingSocket();

private:
    SSimPresetBench m_bench;
    std::unique_ptr<CBusSession> m_session;
    std::unique_ptr<CBusServer> m_server;
};

void TestBusServer::init()
{
    CSimBus::Instance().Reset();
    m_bench = CSimPresetBench::Attach(std::chrono::nanoseconds(0));
    m_session = std::make_unique<CBusSession>();
    QVERIFY(m_session->Connect({EVtlType::VtlA, SERIAL}, EI2cSpeed::Speed100k));
    m_server = std::make_unique<CBusServer>(*m_session);
    QVERIFY2(m_server->Start(), m_server->GetLastError().c_str());
    QVERIFY(m_server->IsServing());
}

void TestBusServer::cleanup()
{
    const std::string path = m_server->SocketPath();
    m_server.reset();
    m_session.reset();
    // Tests leave no socket behind.
    QVERIFY(path.empty() || !QFile::exists(QString::fromStdString(path)));
}

void TestBusServer::clientsShareWithTheirOrigin()
{
    QSignalSpy records(m_server.get(), &CBusServer::clientRecord);
    QSignalSpy counts(m_server.get(), &CBusServer::clientsChanged);
    CClientThread one;
    CClientThread two;
    QVERIFY(one.Connect(SERIAL, "client-one"));
    QVERIFY(two.Connect(SERIAL, "client-two"));
    QVERIFY(one.Call([&] { return one.Session().IsRemote(); }));
    QCOMPARE(one.Call([&] { return one.Session().Info().serial; }), SERIAL);
    QCOMPARE(m_server->ClientCount(), 2);
    QCOMPARE(counts.last().at(0).toInt(), 2);

    // Both clients and the owner at once, through the one queue.
    const auto writes = [](CClientThread &client, unsigned char first) {
        return client.Post([&client, first] {
            int ok = 0;
            for (unsigned char i = 0; i < 20; ++i)
                ok += client.Session().Run(Write(static_cast<unsigned char>(first + i))).ok;
            return ok;
        });
    };
    auto fromOne = writes(one, 0x10);
    auto fromTwo = writes(two, 0x40);
    const auto own = m_session->Start(Write(0x7F), EBusPriority::User);
    QCOMPARE(ServeUntil(fromOne), 20);
    QCOMPARE(ServeUntil(fromTwo), 20);
    QTRY_VERIFY(own->IsFinished());
    QCOMPARE(WrittenBytes(m_bench.adapterA).size(), 41);

    QCOMPARE(records.count(), 40);
    QMap<QString, int> byProgram;
    for (const QList<QVariant> &signal : records) {
        const auto record = signal.at(0).value<STransactionRecord>();
        QVERIFY(record.ok);
        QCOMPARE(record.originPid, std::int64_t(getpid()));
        ++byProgram[QString::fromStdString(record.originProgram)];
    }
    QCOMPARE(byProgram, (QMap<QString, int>{{u"client-one"_s, 20}, {u"client-two"_s, 20}}));

    // The command line in a process of its own finds the server and reads through it.
    m_bench.eepromA->SetContents(0x00, {0xC0, 0xC1, 0xC2, 0xC3});
    records.clear();
    QProcess cli;
    CliProcess::StartCli(cli, u"preset"_s, CliProcess::Words(u"-a SIM-A-0001 get 0x50 00 4"_s));
    QTRY_VERIFY_WITH_TIMEOUT(cli.state() == QProcess::NotRunning, 30000);
    const QString out = QString::fromUtf8(cli.readAllStandardOutput());
    QCOMPARE(cli.exitCode(), 0);
    QVERIFY2(out.contains(u"c0 c1 c2 c3"_s, Qt::CaseInsensitive), qPrintable(out));
    QVERIFY(!records.isEmpty());
    QCOMPARE(records.last().at(0).value<STransactionRecord>().originProgram,
             std::string("vtl-i2c-cli-sim"));
}

void TestBusServer::heldBusLetsNothingBetween()
{
    CClientThread holder;
    CClientThread other;
    QVERIFY(holder.Connect(SERIAL, "holder"));
    QVERIFY(other.Connect(SERIAL, "other"));
    // The group waits a little between its writes, so the others ask while it holds the bus.
    auto group = holder.Post([&holder] {
        return holder.Session()
            .RunProcedure([](CBusContext &context) {
                for (unsigned char i = 0; i < 8; ++i) {
                    if (!context.Execute(Write(static_cast<unsigned char>(0xA0 + i))).ok)
                        return SBusProcedureResult{false, false, "write", EFailureKind::Other};
                    context.Sleep(std::chrono::milliseconds(2));
                }
                return SBusProcedureResult();
            })
            .ok;
    });
    auto singles = other.Post([&other] {
        bool ok = true;
        for (unsigned char i = 0; i < 8; ++i)
            ok = other.Session().Run(Write(static_cast<unsigned char>(0xB0 + i))).ok && ok;
        return ok;
    });
    std::vector<std::shared_ptr<CBusJob>> own;
    for (unsigned char i = 0; i < 4; ++i)
        own.push_back(m_session->Start(Write(static_cast<unsigned char>(0xC0 + i))));
    QVERIFY(ServeUntil(group));
    QVERIFY(ServeUntil(singles));
    QTRY_VERIFY(own.back()->IsFinished());

    const QStringList written = WrittenBytes(m_bench.adapterA);
    QCOMPARE(written.size(), 20);
    const qsizetype first = written.indexOf(u"A0"_s);
    QVERIFY(first >= 0);
    QCOMPARE(written.mid(first, 8),
             (QStringList{u"A0"_s, u"A1"_s, u"A2"_s, u"A3"_s, u"A4"_s, u"A5"_s, u"A6"_s, u"A7"_s}));

    // The lock a script takes by hand: its own transactions pass, the others' wait.
    QVERIFY(holder.Call([&] { return holder.Session().TryLockBus(std::chrono::seconds(10)); }));
    auto waiting = other.Post([&other] { return other.Session().Run(Write(0xE1)).ok; });
    QVERIFY(holder.Call([&] { return holder.Session().Run(Write(0xE0)).ok; }));
    QTest::qWait(30);
    QCOMPARE(waiting.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    holder.Call([&] { holder.Session().UnlockBus(); });
    QVERIFY(ServeUntil(waiting));
    QCOMPARE(WrittenBytes(m_bench.adapterA).mid(20), (QStringList{u"E0"_s, u"E1"_s}));
}

void TestBusServer::busFreedAfterClient_data()
{
    QTest::addColumn<int>("lockMs");     // -1: no lock, a long read instead
    QTest::addColumn<QString>("action"); // what the client does once it holds the bus
    QTest::addColumn<QString>("ended");  // the lock's end the client hears, if any
    QTest::newRow("lock released") << 0 << u"unlock"_s << u"Released"_s;
    QTest::newRow("lock timed out") << 100 << u"wait"_s << u"timed out"_s;
    QTest::newRow("lock holder gone") << 0 << u"close"_s << QString();
    QTest::newRow("gone mid-read") << -1 << u"close"_s << QString();
}

void TestBusServer::busFreedAfterClient()
{
    QFETCH(int, lockMs);
    QFETCH(QString, action);
    QFETCH(QString, ended);
    QSignalSpy records(m_server.get(), &CBusServer::clientRecord);
    CRawClient raw(m_server->SocketPath());
    raw.Hello();
    QCOMPARE(raw.Next()->type, EFrameType::Welcome);
    if (lockMs >= 0) {
        BusFrames::SFrame lock = Frame(EFrameType::Lock, 9);
        lock.timeoutMs = std::uint32_t(lockMs);
        raw.Send(lock);
        QCOMPARE(raw.Next()->type, EFrameType::LockGranted);
    } else {
        m_bench.adapterA->SetFramePeriod(std::chrono::milliseconds(1));
        BusFrames::SFrame read = Frame(EFrameType::Request, 3);
        read.request = STransactionRequest::Read(EEPROM, 65535);
        raw.Send(read);
        QCOMPARE(raw.Next()->type, EFrameType::Progress);
    }

    CClientThread other;
    QVERIFY(other.Connect(SERIAL, "other"));
    auto waiting = other.Post([&other] { return other.Session().Run(Write(0x5A)).ok; });
    if (lockMs >= 0) {
        // Nothing passes a held lock.
        QTest::qWait(30);
        QCOMPARE(waiting.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    }
    if (action == u"unlock"_s)
        raw.Send(Frame(EFrameType::Unlock, 9));
    else if (action == u"close"_s)
        raw.Close();
    if (!ended.isEmpty()) {
        const std::optional<BusFrames::SFrame> end = raw.Next();
        QVERIFY(end.has_value());
        QCOMPARE(end->type, EFrameType::LockEnded);
        QVERIFY2(QString::fromStdString(end->text).contains(ended), end->text.c_str());
    }
    QVERIFY(ServeUntil(waiting));
    if (lockMs < 0) {
        // The read of the client that went away was stopped, not run to its end.
        QTRY_VERIFY(!records.isEmpty());
        const auto record = records.first().at(0).value<STransactionRecord>();
        QCOMPARE(record.originProgram, std::string("raw"));
        QVERIFY(record.cancelled);
    }
    QTRY_COMPARE(m_server->ClientCount(), action == u"close"_s ? 1 : 2);
}

void TestBusServer::speedChangeReachesEveryone()
{
    // A client may change the shared speed: the owner and every other client see it.
    CClientThread changer;
    CClientThread watcher;
    QVERIFY(changer.Connect(SERIAL, "changer"));
    QVERIFY(watcher.Connect(SERIAL, "watcher"));
    QVERIFY(changer.Call([&] {
        const auto job = changer.Session().StartSetSpeed(EI2cSpeed::Speed400k);
        changer.Session().Wait(job);
        return job->Result().ok && changer.Session().Info().speed == EI2cSpeed::Speed400k;
    }));
    QCOMPARE(m_session->Info().speed, EI2cSpeed::Speed400k);
    QTRY_VERIFY(watcher.Call([&] {
        QCoreApplication::processEvents();
        return watcher.Session().Info().speed == EI2cSpeed::Speed400k;
    }));
}

void TestBusServer::unplugReachesEveryClientOnce()
{
    CClientThread one;
    CClientThread two;
    QVERIFY(one.Connect(SERIAL, "one"));
    QVERIFY(two.Connect(SERIAL, "two"));
    CRawClient raw(m_server->SocketPath());
    raw.Hello();
    QCOMPARE(raw.Next()->type, EFrameType::Welcome);
    QSignalSpy ownLosses(m_session.get(), &CBusSession::connectionLost);

    m_bench.adapterA->Unplug();
    m_session->CheckPresence();
    QCOMPARE(ownLosses.count(), 1);
    QCOMPARE(raw.Next()->type, EFrameType::Lost);
    QTRY_COMPARE(one.Losses(), 1);
    QTRY_COMPARE(two.Losses(), 1);
    QVERIFY(!m_server->IsServing());
    QVERIFY(!QFile::exists(QString::fromStdString(BusServerDirectory::SocketPathFor(SERIAL))));
    // A later request fails as the adapter's absence and is no second loss.
    const STransactionRecord late = one.Call([&] { return one.Session().Run(Write(0x01)); });
    QCOMPARE(late.failure, EFailureKind::AdapterGone);
    one.Settle();
    two.Settle();
    QCOMPARE(one.Losses(), 1);
    QCOMPARE(two.Losses(), 1);
}

void TestBusServer::badClientClosedAlone_data()
{
    QTest::addColumn<bool>("hello");
    QTest::addColumn<std::vector<unsigned char>>("bytes");
    QTest::addColumn<QString>("message");
    const auto encoded = [](BusFrames::SFrame frame) {
        return BusFrames::Encode(frame);
    };
    BusFrames::SFrame future = Frame(EFrameType::Hello);
    future.versionMin = 7;
    future.versionMax = 9;
    QTest::newRow("unknown version") << false << encoded(future) << u"refused: protocol"_s;
    QTest::newRow("request before hello")
        << false << encoded(Frame(EFrameType::Request)) << u"did not say hello"_s;
    QTest::newRow("oversized frame")
        << true << std::vector<unsigned char>{0x00, 0x00, 0x20, 0x00} << u"bad frame"_s;
    QTest::newRow("unknown frame type")
        << true << std::vector<unsigned char>{1, 0, 0, 0, 0x7F} << u"bad frame"_s;
    QTest::newRow("server's frame")
        << true << encoded(Frame(EFrameType::Lost)) << u"only a server sends"_s;
}

void TestBusServer::badClientClosedAlone()
{
    QFETCH(bool, hello);
    QFETCH(std::vector<unsigned char>, bytes);
    QFETCH(QString, message);
    QSignalSpy messages(m_server.get(), &CBusServer::serverMessage);
    CRawClient good(m_server->SocketPath());
    good.Hello();
    QCOMPARE(good.Next()->type, EFrameType::Welcome);
    CRawClient bad(m_server->SocketPath());
    if (hello) {
        bad.Hello();
        QCOMPARE(bad.Next()->type, EFrameType::Welcome);
    }
    bad.SendBytes(bytes);
    bool closed = false;
    std::optional<BusFrames::SFrame> last;
    while (const std::optional<BusFrames::SFrame> frame = bad.Next(5000, &closed))
        last = frame;
    QVERIFY(closed);
    // Only a refused version is told why, in the client's own terms.
    QCOMPARE(last.has_value(), message.startsWith(u"refused"_s));
    if (last)
        QVERIFY(last->type == EFrameType::Refusal &&
                last->text.find("7 to 9") != std::string::npos);
    QCOMPARE(messages.count(), 1);
    QVERIFY2(messages.at(0).at(0).toString().contains(message),
             qPrintable(messages.at(0).at(0).toString()));

    BusFrames::SFrame read = Frame(EFrameType::Request, 5);
    read.request = STransactionRequest::Read(EEPROM, 2);
    good.Send(read);
    std::optional<BusFrames::SFrame> answer = good.Next();
    while (answer && answer->type == EFrameType::Progress)
        answer = good.Next();
    QVERIFY(answer && answer->type == EFrameType::Record && answer->record.ok);
    QCOMPARE(m_server->ClientCount(), 1);
}

void TestBusServer::otherUserRefused()
{
    int pair[2];
    QCOMPARE(socketpair(AF_UNIX, SOCK_STREAM, 0, pair), 0);
    std::string why;
    QVERIFY(BusPeerCredentials::IsSameUser(pair[0], &why));
    QVERIFY(!BusPeerCredentials::IsPeerUser(pair[0], geteuid() + 1, &why));
    QVERIFY(why.find("runs as user") != std::string::npos);
    ::close(pair[0]);
    ::close(pair[1]);
    QVERIFY(!BusPeerCredentials::IsSameUser(-1));
    if (geteuid() != 0) {
        qInfo("Not root: the refusal of a real other user is left to the function's check");
        return;
    }

    // A process of another user reaches the socket (the folders opened for it here) and is
    // turned away by its credentials alone.
    const std::string path = m_server->SocketPath();
    std::vector<std::pair<std::string, mode_t>> opened;
    for (std::string folder = path; folder.rfind('/') > 0;) {
        folder = folder.substr(0, folder.rfind('/'));
        struct stat info
        {};
        stat(folder.c_str(), &info);
        opened.emplace_back(folder, info.st_mode & 07777);
        chmod(folder.c_str(), (info.st_mode & 07777) | 0011);
    }
    chmod(path.c_str(), 0666);
    QSignalSpy messages(m_server.get(), &CBusServer::serverMessage);
    // The child tells how it fared on a pipe.
    int report[2];
    QCOMPARE(pipe(report), 0);
    const pid_t child = fork();
    if (child == 0) {
        const auto finish = [&report](char code) {
            (void)!::write(report[1], &code, 1);
            _exit(0);
        };
        if (setgid(65534) != 0 || setuid(65534) != 0)
            finish('u');
        CRawClient stranger(path);
        if (!stranger.IsOpen())
            finish('c');
        stranger.Hello();
        // No Qt in the forked child: it waits for the server to hang up by hand.
        pollfd waiting{stranger.Fd(), POLLIN, 0};
        char chunk[256];
        while (::poll(&waiting, 1, 5000) > 0) {
            // An end or a reset (the hello still unread): either way it was hung up on.
            if (::recv(stranger.Fd(), chunk, sizeof(chunk), 0) <= 0)
                finish('0');
        }
        finish('w');
    }
    ::close(report[1]);
    QTRY_COMPARE_WITH_TIMEOUT(messages.count(), 1, 10000);
    for (const auto &[folder, mode] : opened)
        chmod(folder.c_str(), mode);
    char outcome = 0;
    // The server has hung up by now; the child answers at once.
    QCOMPARE(::read(report[0], &outcome, 1), ssize_t(1));
    ::close(report[0]);
    waitpid(child, nullptr, 0);
    QCOMPARE(outcome, '0');
    QVERIFY(messages.at(0).at(0).toString().startsWith(u"Refused a client of another user"_s));
    QCOMPARE(m_server->ClientCount(), 0);
}

void TestBusServer::startOverExistingSocket()
{
    // The owner reconnecting the adapter it shares opens it itself: its own server, in the
    // same thread, could not answer it.
    QVERIFY(m_session->Connect({EVtlType::VtlA, SERIAL}, EI2cSpeed::Speed400k));
    QVERIFY(!m_session->IsRemote());
    QVERIFY(m_server->IsServing());

    // A live server of the adapter keeps it.
    CBusServer second(*m_session);
    QVERIFY(!second.Start());
    QVERIFY2(second.GetLastError().find("served by") != std::string::npos,
             second.GetLastError().c_str());
    const std::optional<SBusServerOwner> owner = BusServerDirectory::FindServer(SERIAL);
    QVERIFY(owner && owner->pid == getpid() && owner->socketPath == m_server->SocketPath());

    // A socket left by a server that died is no server, and the next one replaces it.
    const std::string path = m_server->SocketPath();
    m_server->Stop();
    {
        CRawClient probe(path);
        QVERIFY(!probe.IsOpen());
    }
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    QCOMPARE(bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof(address)), 0);
    QCOMPARE(listen(fd, 1), 0);
    ::close(fd);
    QVERIFY(QFile::exists(QString::fromStdString(path)));
    QVERIFY(!BusServerDirectory::FindServer(SERIAL));
    QVERIFY2(second.Start(), second.GetLastError().c_str());
    QVERIFY(BusServerDirectory::FindServer(SERIAL).has_value());
}

VTL_TEST_MAIN(TestBusServer)
#include "tst_busServer.moc"
