// SPDX-License-Identifier: MIT
#include "aboutdialog.h"

#include "VtlVersion.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QList>
#include <QMessageBox>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

struct SLink
{
    QString label;
    QString target;
};

struct SComponent
{
    QString name;
    QString license;
    QString licenseFile;
};

const QString APP_NAME = u"Vantrel I2C Tool"_s;

const QList<SLink> LINKS = {
    {u"Homepage"_s, u"https://www.vantrel.example"_s},
    {u"Support"_s, u"support@vantrel.example"_s},
    {u"Forum"_s, u"https://forum.vantrel.example"_s},
};

const QList<SComponent> COMPONENTS = {
    {u"Qt 6"_s, u"LGPL-3.0"_s, u"LICENSE-qt.txt"_s},
    {u"hidapi"_s, u"Own license (permissive)"_s, u"LICENSE-hidapi.txt"_s},
    {u"Google Material Icons"_s, u"Apache-2.0"_s, u"LICENSE-google-material-icons.txt"_s},
};

// Selectable text whose links are reported to the dialog instead of being opened by the
// label, so a failure to open them can be shown.
QLabel *newLinkLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::LinksAccessibleByMouse |
                                   Qt::LinksAccessibleByKeyboard);
    label->setOpenExternalLinks(false);
    return label;
}

} // namespace

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(tr("About %1").arg(APP_NAME));

    auto *layout = new QVBoxLayout(this);

    auto *header = new QLabel(
        tr("<b>%1</b><br>Version %2").arg(APP_NAME, QString::fromLatin1(VTL_APP_VERSION)), this);
    header->setTextFormat(Qt::RichText);
    layout->addWidget(header);

    for (const SLink &link : LINKS) {
        const QString href =
            link.target.contains(u"://"_s) ? link.target : u"mailto:"_s + link.target;
        auto *label =
            newLinkLabel(u"%1: <a href=\"%2\">%3</a>"_s.arg(link.label, href, link.target), this);
        connect(label, &QLabel::linkActivated, this, &AboutDialog::openExternalLink);
        layout->addWidget(label);
    }

    auto *separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    layout->addWidget(separator);

    layout->addWidget(new QLabel(tr("Third-party components:"), this));

    for (const SComponent &component : COMPONENTS) {
        auto *label = newLinkLabel(u"<a href=\"%1\">%2 (%3)</a>"_s.arg(
                                       component.licenseFile, component.name, component.license),
                                   this);
        connect(label, &QLabel::linkActivated, this, &AboutDialog::openLicenseFile);
        layout->addWidget(label);
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

void AboutDialog::openLicenseFile(const QString &fileName)
{
    const QString dir = QCoreApplication::applicationDirPath();
    // Beside the program (a one-folder installation, or the build tree), then the
    // documentation folder of a Unix-style prefix with the program in bin/.
    const QStringList searchList = {dir + u"/licenses/"_s, dir + u"/../share/doc/vtl-i2c/"_s};

    for (const QString &entry : searchList) {
        const QString path = entry + fileName;
        if (!QFileInfo::exists(path))
            continue;
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
            QMessageBox::warning(
                this, windowTitle(),
                tr("Could not open the license file.\n\n%1").arg(QDir::toNativeSeparators(path)));
        return;
    }

    QMessageBox::warning(this, windowTitle(),
                         tr("License file not found.\n\n%1")
                             .arg(QDir::toNativeSeparators(searchList.first() + fileName)));
}

void AboutDialog::openExternalLink(const QString &link)
{
    if (!QDesktopServices::openUrl(QUrl(link)))
        QMessageBox::warning(this, windowTitle(), tr("Could not open the link.\n\n%1").arg(link));
}
