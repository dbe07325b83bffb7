// SPDX-License-Identifier: MIT
#include "ConnectionStatus.h"

#include "MainWindowShared.h"
#include "Plural.h"
#include "SBusAdapterInfo.h"
#include "VtlVersion.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QStatusBar>

#include <algorithm>
#include <cstdint>

using namespace Qt::StringLiterals;

namespace {

constexpr int STATUS_SPACING = 12;

QFrame *newSeparator(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLabel *newLabel(QWidget *parent, const QString &name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    return label;
}

QString speedText(EI2cSpeed speed)
{
    switch (speed) {
    case EI2cSpeed::Speed10k:
        return ConnectionStatus::tr("10 kbit/s");
    case EI2cSpeed::Speed50k:
        return ConnectionStatus::tr("50 kbit/s");
    case EI2cSpeed::Speed100k:
        return ConnectionStatus::tr("100 kbit/s");
    case EI2cSpeed::Speed400k:
        return ConnectionStatus::tr("400 kbit/s");
    case EI2cSpeed::Speed1000k:
        return ConnectionStatus::tr("1000 kbit/s");
    }
    return {};
}

} // namespace

ConnectionStatus::ConnectionStatus(QStatusBar *statusBar, QWidget *window)
    : QObject(window)
{
    auto *container = new QWidget(window);
    m_statusLabel = newLabel(container, u"label_status"_s);
    m_infoWidget = new QWidget(container);
    m_infoWidget->setObjectName(u"widget_adapter_info"_s);
    m_productLabel = newLabel(m_infoWidget, u"label_product"_s);
    m_serialLabel = newLabel(m_infoWidget, u"label_serial"_s);
    m_firmwareLabel = newLabel(m_infoWidget, u"label_firmware"_s);
    m_speedLabel = newLabel(m_infoWidget, u"label_speed"_s);

    auto *infoLayout = new QHBoxLayout(m_infoWidget);
    infoLayout->setContentsMargins(0, 0, 0, 0);
    infoLayout->setSpacing(STATUS_SPACING);
    for (QLabel *label : {m_productLabel, m_serialLabel, m_firmwareLabel, m_speedLabel}) {
        infoLayout->addWidget(newSeparator(m_infoWidget));
        infoLayout->addWidget(label);
    }
    m_sharedSeparator = newSeparator(m_infoWidget);
    m_sharedLabel = newLabel(m_infoWidget, u"label_shared"_s);
    infoLayout->addWidget(m_sharedSeparator);
    infoLayout->addWidget(m_sharedLabel);
    showSharing(false, 0);

    auto *containerLayout = new QHBoxLayout(container);
    containerLayout->setContentsMargins(0, 0, 0, 0);
    containerLayout->setSpacing(STATUS_SPACING);
    containerLayout->addWidget(m_statusLabel);
    containerLayout->addWidget(m_infoWidget);
    statusBar->addWidget(container, 0);

    m_versionLabel = new QLabel(tr("v%1").arg(QString::fromLatin1(VTL_APP_VERSION)), window);
    m_versionLabel->setObjectName(u"label_version"_s);
    m_versionLabel->setStyleSheet(u"color:%1"_s.arg(STATUS_COLOR_INACTIVE.name()));
    statusBar->setStyleSheet(u"QStatusBar::item { border: none; }"_s);
    statusBar->addPermanentWidget(m_versionLabel, 0);
}

void ConnectionStatus::show(const SBusAdapterInfo *adapter)
{
    const bool connected = adapter != nullptr;
    const QColor &color = connected ? STATUS_COLOR_ACTIVE : STATUS_COLOR_INACTIVE;
    const QString state = connected ? tr("Connected") : tr("No device connected");
    m_statusLabel->setText(
        u"<span style=\"color:%1; font-weight:bold\">%2</span>"_s.arg(color.name(), state));

    m_infoWidget->setVisible(connected);
    if (!connected)
        return;
    m_productLabel->setText(QString::fromStdWString(adapter->productName));
    m_serialLabel->setText(tr("SN %1").arg(QString::fromStdWString(adapter->serial)));
    m_firmwareLabel->setText(tr("FW %1").arg(uint(adapter->firmware), 4, 16, QChar(u'0')));
    // Only the model with the switch can have them off; on the others they are not news.
    m_speedLabel->setText(adapter->hasPullUpSwitch && adapter->pullUpsEnabled
                              ? tr("%1, pull-ups on").arg(speedText(adapter->speed))
                              : speedText(adapter->speed));
}

void ConnectionStatus::showSharing(bool serving, int clients)
{
    m_sharedSeparator->setVisible(serving);
    m_sharedLabel->setVisible(serving);
    if (serving)
        m_sharedLabel->setText(
            tr("shared, %1")
                .arg(Plural::Count(std::uint64_t(std::max(clients, 0)), u"client", u"clients")));
}
