// SPDX-License-Identifier: MIT
#include "VtlTestMain.h"
#include "VtlUsbIds.h"

#include <QFile>
#include <QtTest>

using namespace Qt::StringLiterals;

// The udev rule and the program are configured from the same IDs; a rule that drifts
// from the header leaves users without access to their adapter.
class TestUdevRule : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void product_data();
    void product();
    void onlyProductRules();

private:
    QStringList m_rules;
};

namespace {

// udev compares the attribute text, which the kernel writes in lower-case hex.
QString hex4(std::uint16_t value)
{
    return u"%1"_s.arg(uint(value), 4, 16, QChar(u'0'));
}

} // namespace

void TestUdevRule::initTestCase()
{
    QFile file(QStringLiteral(VTL_UDEV_RULE_FILE));
    QVERIFY2(file.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(file.errorString()));
    const QString text = QString::fromUtf8(file.readAll());
    QVERIFY(text.endsWith(u'\n'));
    for (const QString &line : text.split(u'\n', Qt::SkipEmptyParts))
        if (!line.startsWith(u'#'))
            m_rules << line;
}

void TestUdevRule::product_data()
{
    QTest::addColumn<int>("productId");
    QTest::newRow("A") << int(VTL_USB_PRODUCT_ID_A);
    QTest::newRow("B") << int(VTL_USB_PRODUCT_ID_B);
    QTest::newRow("C") << int(VTL_USB_PRODUCT_ID_C);
}

void TestUdevRule::product()
{
    QFETCH(int, productId);
    const QString expected =
        u"KERNEL==\"hidraw*\", ATTRS{idVendor}==\"%1\", ATTRS{idProduct}==\"%2\", TAG+=\"uaccess\""_s
            .arg(hex4(VTL_USB_VENDOR_ID), hex4(std::uint16_t(productId)));
    QCOMPARE(m_rules.count(expected), 1);
}

void TestUdevRule::onlyProductRules()
{
    QCOMPARE(m_rules.size(), 3);
}

VTL_TEST_MAIN(TestUdevRule)
#include "tst_udevrule.moc"
