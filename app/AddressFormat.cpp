#include "AddressFormat.h"

using namespace Qt::StringLiterals;

namespace AddressFormat {

QString format(unsigned char address, bool eightBit)
{
    const unsigned value = eightBit ? unsigned(address) << 1 : unsigned(address);
    return "0x"_L1 + QString::number(value, 16).toUpper().rightJustified(2, u'0');
}

} // namespace AddressFormat
