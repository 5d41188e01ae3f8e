#include "data/NumberFormat.h"

#include <QLocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

QString FormatGeneral(double value, int precision, QChar sep)
{
    if (std::isnan(value)) return QStringLiteral("NAN");
    if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0) return QStringLiteral("0");

    // Round once to `precision` significant digits; the digits and exponent
    // of that rounding decide both notations.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", precision - 1, std::fabs(value));
    const std::string s(buf);
    const size_t ePos = s.find('e');
    std::string digits;
    for (size_t i = 0; i < ePos; ++i)
        if (s[i] != '.') digits += s[i];
    const int exponent = std::atoi(s.c_str() + ePos + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    QString out = value < 0 ? QStringLiteral("-") : QString();
    if (exponent >= -4 && exponent < precision) {
        if (exponent < 0) {
            out += QLatin1Char('0');
            out += sep;
            out += QString(-exponent - 1, QLatin1Char('0'));
            out += QString::fromLatin1(digits.c_str());
        } else {
            const size_t intDigits = static_cast<size_t>(exponent) + 1;
            std::string intPart = digits.substr(0, std::min(intDigits, digits.size()));
            intPart.append(intDigits > intPart.size() ? intDigits - intPart.size() : 0, '0');
            out += QString::fromLatin1(intPart.c_str());
            if (digits.size() > intDigits) {
                out += sep;
                out += QString::fromLatin1(digits.substr(intDigits).c_str());
            }
        }
    } else {
        out += QLatin1Char(digits[0]);
        if (digits.size() > 1) {
            out += sep;
            out += QString::fromLatin1(digits.substr(1).c_str());
        }
        out += QLatin1Char('E');
        out += QString::number(exponent);
    }
    return out;
}

QString FormatGeneral3(double value, QChar sep) { return FormatGeneral(value, 3, sep); }

QString FormatShortest(double value, QChar sep) { return FormatGeneral(value, 15, sep); }

QChar LocaleDecimalSeparator()
{
    const QString s = QLocale().decimalPoint();
    return s.isEmpty() ? QLatin1Char('.') : s.at(0);
}
