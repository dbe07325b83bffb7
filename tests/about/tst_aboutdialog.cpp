// SPDX-License-Identifier: MIT
#include "VtlTestMain.h"
#include "VtlVersion.h"
#include "aboutdialog.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <functional>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

const QStringList LICENSE_FILES = {u"LICENSE-qt.txt"_s, u"LICENSE-hidapi.txt"_s,
                                   u"LICENSE-google-material-icons.txt"_s};
const QStringList URL_SCHEMES = {u"file"_s, u"mailto"_s, u"https"_s, u"http"_s};

struct SMessage
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
};

// Runs call and answers the first message box it opens with OK; empty when no box
// appeared.
std::optional<SMessage> answerMessageBox(const std::function<void()> &call)
{
    std::optional<SMessage> seen;
    QTimer::singleShot(0, [&seen] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = SMessage{box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
        box->done(QMessageBox::Ok);
    });
    call();
    // Lets the timer expire when the call opened nothing.
    QCoreApplication::processEvents();
    return seen;
}

QList<QWidget *> layoutWidgets(const QDialog &dialog)
{
    QList<QWidget *> widgets;
    for (int i = 0; i < dialog.layout()->count(); ++i)
        widgets << dialog.layout()->itemAt(i)->widget();
    return widgets;
}

QLabel *labelAt(const QDialog &dialog, int index)
{
    return qobject_cast<QLabel *>(layoutWidgets(dialog).value(index));
}

QString appDir()
{
    return QCoreApplication::applicationDirPath();
}

QString besideProgramDir()
{
    return appDir() + u"/licenses"_s;
}

QString prefixDocDir()
{
    return appDir() + u"/../share/doc/vtl-i2c"_s;
}

} // namespace

// Stands in for the desktop's handlers, so no viewer or mail program is started.
class CUrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl &url) { urls << url; }
};

class TestAboutDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void title();
    void layoutOrder();
    void links_data();
    void links();
    void linkOpenFails();
    void components_data();
    void components();
    void licenseNotFound_data();
    void licenseNotFound();
    void licenseFound_data();
    void licenseFound();
    void licenseOpenFails();
    void closeButton();

private:
    static void placeLicense(const QString &dir, const QString &fileName);
    static void removeLicenses();
    static void activate(QLabel *label);
    void catchUrls();
    void failUrls();

    CUrlCatcher m_catcher;
};

void TestAboutDialog::placeLicense(const QString &dir, const QString &fileName)
{
    QVERIFY(QDir().mkpath(dir));
    QFile file(dir + u'/' + fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("licence text\n");
}

// Removes only what the tests create, and folders only when they are empty, since the
// locations lie beside the test program.
void TestAboutDialog::removeLicenses()
{
    for (const QString &dir : {besideProgramDir(), prefixDocDir()})
        for (const QString &fileName : LICENSE_FILES)
            QFile::remove(dir + u'/' + fileName);
    QDir(appDir()).rmdir(u"licenses"_s);
    for (const QString &dir : {u"share/doc/vtl-i2c"_s, u"share/doc"_s, u"share"_s})
        QDir(appDir() + u"/.."_s).rmdir(dir);
}

void TestAboutDialog::activate(QLabel *label)
{
    const QRegularExpressionMatch href =
        QRegularExpression(u"href=\"([^\"]*)\""_s).match(label->text());
    QVERIFY(href.hasMatch());
    Q_EMIT label->linkActivated(href.captured(1));
}

void TestAboutDialog::catchUrls()
{
    for (const QString &scheme : URL_SCHEMES)
        QDesktopServices::setUrlHandler(scheme, &m_catcher, "open");
}

// A handler without the named slot makes the desktop services report failure, without
// depending on what the platform would launch.
void TestAboutDialog::failUrls()
{
    QTest::ignoreMessage(QtWarningMsg,
                         "QMetaObject::invokeMethod: No such method CUrlCatcher::noSuchSlot(QUrl)");
    for (const QString &scheme : URL_SCHEMES)
        QDesktopServices::setUrlHandler(scheme, &m_catcher, "noSuchSlot");
}

void TestAboutDialog::init()
{
    removeLicenses();
    m_catcher.urls.clear();
    catchUrls();
}

void TestAboutDialog::cleanup()
{
    for (const QString &scheme : URL_SCHEMES)
        QDesktopServices::unsetUrlHandler(scheme);
    removeLicenses();
}

void TestAboutDialog::title()
{
    AboutDialog dialog;
    QCOMPARE(dialog.windowTitle(), u"About Vantrel I2C Tool"_s);

    QLabel *header = labelAt(dialog, 0);
    QVERIFY(header);
    QCOMPARE(header->textFormat(), Qt::RichText);
    QVERIFY(header->text().contains(u"<b>Vantrel I2C Tool</b>"_s));
    QVERIFY(header->text().contains(u"Version "_s + QString::fromLatin1(VTL_APP_VERSION)));
}

void TestAboutDialog::layoutOrder()
{
    AboutDialog dialog;
    const QList<QWidget *> widgets = layoutWidgets(dialog);
    QCOMPARE(widgets.size(), 10);

    auto *separator = qobject_cast<QFrame *>(widgets.at(4));
    QVERIFY(separator);
    QCOMPARE(separator->frameShape(), QFrame::HLine);
    QCOMPARE(separator->frameShadow(), QFrame::Sunken);

    QLabel *heading = labelAt(dialog, 5);
    QVERIFY(heading);
    QCOMPARE(heading->text(), u"Third-party components:"_s);

    QVERIFY(qobject_cast<QDialogButtonBox *>(widgets.at(9)));
    for (QWidget *widget : widgets)
        QCOMPARE(widget->parent(), &dialog);
}

void TestAboutDialog::links_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("mail");
    QTest::newRow("homepage") << 1 << u"Homepage"_s << false;
    QTest::newRow("support") << 2 << u"Support"_s << true;
    QTest::newRow("forum") << 3 << u"Forum"_s << false;
}

void TestAboutDialog::links()
{
    QFETCH(int, index);
    QFETCH(QString, name);
    QFETCH(bool, mail);

    AboutDialog dialog;
    QLabel *label = labelAt(dialog, index);
    QVERIFY(label);
    QCOMPARE(label->textFormat(), Qt::RichText);
    QCOMPARE(int(label->textInteractionFlags()), 13);
    QVERIFY(!label->openExternalLinks());

    const QRegularExpressionMatch parts =
        QRegularExpression(u"^(.*): <a href=\"([^\"]*)\">([^<]*)</a>$"_s).match(label->text());
    QVERIFY2(parts.hasMatch(), qPrintable(label->text()));
    QCOMPARE(parts.captured(1), name);
    const QString href = parts.captured(2);
    const QString shown = parts.captured(3);

    if (mail) {
        QCOMPARE(href, u"mailto:"_s + shown);
        QVERIFY(shown.contains(u'@'));
        QVERIFY(!shown.contains(u':'));
    } else {
        QCOMPARE(href, shown);
        QCOMPARE(QUrl(href).scheme(), u"https"_s);
        QVERIFY(!QUrl(href).host().isEmpty());
    }

    const std::optional<SMessage> box = answerMessageBox([label] { activate(label); });
    QVERIFY(!box);
    QCOMPARE(m_catcher.urls, QList<QUrl>{QUrl(href)});
}

void TestAboutDialog::linkOpenFails()
{
    failUrls();
    AboutDialog dialog;
    QLabel *support = labelAt(dialog, 2);
    QVERIFY(support);
    const QString href =
        QRegularExpression(u"href=\"([^\"]*)\""_s).match(support->text()).captured(1);

    const std::optional<SMessage> box = answerMessageBox([support] { activate(support); });
    QVERIFY(box);
    QCOMPARE(box->title, dialog.windowTitle());
    QCOMPARE(box->text, u"Could not open the link.\n\n"_s + href);
    QCOMPARE(box->icon, QMessageBox::Warning);
    QCOMPARE(box->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void TestAboutDialog::components_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("fileName");
    QTest::newRow("qt") << 6 << u"Qt 6 (LGPL-3.0)"_s << u"LICENSE-qt.txt"_s;
    QTest::newRow("hidapi") << 7 << u"hidapi (Own license (permissive))"_s
                            << u"LICENSE-hidapi.txt"_s;
    QTest::newRow("icons") << 8 << u"Google Material Icons (Apache-2.0)"_s
                           << u"LICENSE-google-material-icons.txt"_s;
}

void TestAboutDialog::components()
{
    QFETCH(int, index);
    QFETCH(QString, shown);
    QFETCH(QString, fileName);

    AboutDialog dialog;
    QLabel *label = labelAt(dialog, index);
    QVERIFY(label);
    QCOMPARE(label->text(), u"<a href=\"%1\">%2</a>"_s.arg(fileName, shown));
    QCOMPARE(label->textFormat(), Qt::RichText);
    QCOMPARE(int(label->textInteractionFlags()), 13);
    QVERIFY(!label->openExternalLinks());

    // The dialog names a file the installation really ships.
    QVERIFY(QFileInfo::exists(QStringLiteral(VTL_DIST_LICENSES_DIR) + u'/' + fileName));
}

void TestAboutDialog::licenseNotFound_data()
{
    components_data();
}

void TestAboutDialog::licenseNotFound()
{
    QFETCH(int, index);
    QFETCH(QString, fileName);

    AboutDialog dialog;
    QLabel *label = labelAt(dialog, index);
    QVERIFY(label);
    const std::optional<SMessage> box = answerMessageBox([label] { activate(label); });

    QVERIFY(box);
    const QString path = QDir::toNativeSeparators(appDir() + u"/licenses/"_s + fileName);
    QCOMPARE(box->text, u"License file not found.\n\n"_s + path);
    QVERIFY(box->text.endsWith(QDir::toNativeSeparators(u"licenses/"_s + fileName)));
    QCOMPARE(box->title, u"About Vantrel I2C Tool"_s);
    QCOMPARE(box->icon, QMessageBox::Warning);
    QCOMPARE(box->buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(m_catcher.urls.isEmpty());
}

void TestAboutDialog::licenseFound_data()
{
    QTest::addColumn<bool>("besideProgram");
    QTest::addColumn<bool>("prefixDoc");
    QTest::addColumn<QString>("expectedDir");
    QTest::newRow("beside program") << true << false << besideProgramDir();
    QTest::newRow("prefix doc folder") << false << true << prefixDocDir();
    QTest::newRow("both, beside program first") << true << true << besideProgramDir();
}

void TestAboutDialog::licenseFound()
{
    QFETCH(bool, besideProgram);
    QFETCH(bool, prefixDoc);
    QFETCH(QString, expectedDir);

    const QString fileName = u"LICENSE-hidapi.txt"_s;
    if (besideProgram)
        placeLicense(besideProgramDir(), fileName);
    if (prefixDoc)
        placeLicense(prefixDocDir(), fileName);

    AboutDialog dialog;
    QLabel *label = labelAt(dialog, 7);
    QVERIFY(label);
    const std::optional<SMessage> box = answerMessageBox([label] { activate(label); });

    QVERIFY2(!box, box ? qPrintable(box->text) : "");
    QCOMPARE(m_catcher.urls.size(), 1);
    const QUrl url = m_catcher.urls.first();
    QVERIFY(url.isLocalFile());
    QCOMPARE(QFileInfo(url.toLocalFile()).canonicalFilePath(),
             QFileInfo(expectedDir + u'/' + fileName).canonicalFilePath());
}

void TestAboutDialog::licenseOpenFails()
{
    placeLicense(prefixDocDir(), u"LICENSE-qt.txt"_s);
    failUrls();

    AboutDialog dialog;
    QLabel *label = labelAt(dialog, 6);
    QVERIFY(label);
    const std::optional<SMessage> box = answerMessageBox([label] { activate(label); });

    QVERIFY(box);
    QCOMPARE(box->text,
             u"Could not open the license file.\n\n"_s +
                 QDir::toNativeSeparators(appDir() + u"/../share/doc/vtl-i2c/LICENSE-qt.txt"_s));
    QCOMPARE(box->icon, QMessageBox::Warning);
    QCOMPARE(box->title, dialog.windowTitle());
}

void TestAboutDialog::closeButton()
{
    AboutDialog dialog;
    auto *buttons = dialog.findChild<QDialogButtonBox *>();
    QVERIFY(buttons);
    QCOMPARE(buttons->standardButtons(),
             QDialogButtonBox::StandardButtons(QDialogButtonBox::Close));

    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    buttons->button(QDialogButtonBox::Close)->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
}

VTL_TEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"
