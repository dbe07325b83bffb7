// SPDX-License-Identifier: MIT
// The window on the system's hidapi against the gadget adapters of the real-stack guest
// (tools/realstack.sh): it runs only there, where REALSTACK_GADGETS names the gadgets'
// configfs folder and REALSTACK_UDC_A and REALSTACK_UDC_C their host ports.
#include "VtlTestMain.h"
#include "mainwindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QLineEdit>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QStringList ALL_ADAPTERS = {u"VantrelA  SN SIM-A-0001"_s, u"VantrelB  SN SIM-B-0002"_s,
                                  u"VantrelC  SN SIM-C-0003"_s};
// Enumeration, the presence timer and the dialog's polling under software emulation.
constexpr int KERNEL_WAIT_MS = 10000;

// Binds a gadget to its host port or unbinds it, as plugging or pulling the cable does.
bool plug(char model, bool plugged)
{
    const QString folder = qEnvironmentVariable("REALSTACK_GADGETS");
    const QByteArray port =
        plugged ? qgetenv(QByteArray("REALSTACK_UDC_").append(model).constData()) : QByteArray();
    QFile udc(u"%1/vtl%2/UDC"_s.arg(folder, QChar::fromLatin1(model)));
    return udc.open(QIODevice::WriteOnly) && udc.write(port + '\n') > 0 && udc.flush();
}

QStringList entries(const QComboBox &box)
{
    QStringList texts;
    for (int index = 0; index < box.count(); ++index)
        texts << box.itemText(index);
    return texts;
}

// Answers every modal window: message boxes are recorded and closed, dialogs go to
// `onDialog` (rejected when it is not set). Polled, as a timer may open a box any time.
class CModalAnswerer : public QObject
{
public:
    std::function<void(QDialog *)> onDialog;
    QStringList boxTexts;

    CModalAnswerer()
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
    }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal == nullptr || m_handled.contains(modal))
            return;
        m_handled << modal;
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            boxTexts << box->text();
            box->done(QMessageBox::Ok);
        } else if (auto *dialog = qobject_cast<QDialog *>(modal)) {
            auto handler = std::exchange(onDialog, {});
            if (handler)
                handler(dialog);
            else
                dialog->reject();
        }
    }

    QTimer m_timer;
    QList<QPointer<QWidget>> m_handled;
};

} // namespace

class TestRealStackWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void dialogListsAdaptersAndFollowsReplug();
    void writeAndReadGiveRows();
    void unplugGivesOneLossMessage();
    void cleanupTestCase();

private:
    template <typename T>
    T *child(const QObject &root, const QString &name) const
    {
        return root.findChild<T *>(name);
    }
    QAction *action(const char *name) const
    {
        return child<QAction>(*m_window, QString::fromLatin1(name));
    }
    bool connectTo(const QString &entry);

    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<CModalAnswerer> m_answerer;
};

void TestRealStackWindow::initTestCase()
{
    Q_INIT_RESOURCE(resources);
    QVERIFY2(!qEnvironmentVariableIsEmpty("REALSTACK_GADGETS"),
             "runs only inside the real-stack guest (tools/realstack.sh)");
    QSettings().clear();
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    m_answerer = std::make_unique<CModalAnswerer>();
}

void TestRealStackWindow::cleanupTestCase()
{
    m_answerer.reset();
    m_window.reset();
}

bool TestRealStackWindow::connectTo(const QString &entry)
{
    m_answerer->onDialog = [entry](QDialog *dialog) {
        auto *devices = dialog->findChild<QComboBox *>(u"cmb_device"_s);
        devices->setCurrentIndex(devices->findText(entry));
        dialog->findChild<QDialogButtonBox *>(u"buttonBox"_s)
            ->button(QDialogButtonBox::Ok)
            ->click();
    };
    action("actionConnect")->trigger();
    return action("actionDisconnect")->isEnabled();
}

void TestRealStackWindow::dialogListsAdaptersAndFollowsReplug()
{
    QStringList listed;
    QStringList afterUnplug;
    QStringList afterReplug;
    m_answerer->onDialog = [&](QDialog *dialog) {
        const auto *devices = dialog->findChild<QComboBox *>(u"cmb_device"_s);
        // The lists are compared below; a wait that runs out leaves the wrong one there.
        (void)QTest::qWaitFor([&] { return devices->count() == 3; }, KERNEL_WAIT_MS);
        listed = entries(*devices);
        if (plug('C', false))
            (void)QTest::qWaitFor([&] { return devices->count() == 2; }, KERNEL_WAIT_MS);
        afterUnplug = entries(*devices);
        if (plug('C', true))
            (void)QTest::qWaitFor([&] { return devices->count() == 3; }, KERNEL_WAIT_MS);
        afterReplug = entries(*devices);
        dialog->reject();
    };
    action("actionConnect")->trigger();

    QCOMPARE(listed, ALL_ADAPTERS);
    QCOMPARE(afterUnplug, ALL_ADAPTERS.mid(0, 2));
    QCOMPARE(afterReplug, ALL_ADAPTERS);
    QVERIFY(!action("actionDisconnect")->isEnabled());
}

void TestRealStackWindow::writeAndReadGiveRows()
{
    QVERIFY(connectTo(ALL_ADAPTERS[0]));
    auto *table = child<QTableWidget>(*m_window, u"table_data"_s);
    const int before = table->rowCount();
    child<QComboBox>(*m_window, u"cmb_i2c_device"_s)->setEditText(u"0x50"_s);
    child<QComboBox>(*m_window, u"cmb_startstop"_s)->setCurrentIndex(0);
    child<QLineEdit>(*m_window, u"edit_write"_s)->setText(u"00"_s);
    child<QAbstractButton>(*m_window, u"btn_write"_s)->click();
    QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), before + 1, KERNEL_WAIT_MS);
    child<QSpinBox>(*m_window, u"spin_read"_s)->setValue(5);
    child<QAbstractButton>(*m_window, u"btn_read"_s)->click();
    QTRY_COMPARE_WITH_TIMEOUT(table->rowCount(), before + 2, KERNEL_WAIT_MS);

    const auto row = [table](int index) {
        QStringList texts;
        for (int column = 0; column < 3; ++column)
            texts << table->item(index, column)->text();
        return texts;
    };
    QCOMPARE(row(before), QStringList({u"Write 0x50"_s, u"0x00"_s, u"00"_s}));
    QCOMPARE(row(before + 1), QStringList({u"Read 0x50"_s, u"0x05"_s, u"42 65 6E 63 68"_s}));
    QVERIFY(m_answerer->boxTexts.isEmpty());
}

void TestRealStackWindow::unplugGivesOneLossMessage()
{
    QVERIFY(action("actionDisconnect")->isEnabled());
    QVERIFY(plug('A', false));
    QTRY_COMPARE_WITH_TIMEOUT(m_answerer->boxTexts.size(), 1, KERNEL_WAIT_MS);
    QCOMPARE(m_answerer->boxTexts[0], u"Connection to the Vantrel was lost."_s);
    QVERIFY(action("actionConnect")->isEnabled());
    QVERIFY(!action("actionDisconnect")->isEnabled());
    // Longer than a presence period: the loss is reported once.
    QTest::qWait(1500);
    QCOMPARE(m_answerer->boxTexts.size(), 1);
    QVERIFY(plug('A', true));
}

VTL_TEST_MAIN(TestRealStackWindow)
#include "tst_realstack_window.moc"
