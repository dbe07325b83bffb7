// SPDX-License-Identifier: MIT
#pragma once

#include <QDialog>

// The program's name and version, links to the maker, and the licences of the
// components it uses; each licence opens in the desktop's viewer.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *parent = nullptr);

private Q_SLOTS:
    void openLicenseFile(const QString &fileName);
    void openExternalLink(const QString &link);
};
