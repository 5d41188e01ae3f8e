#pragma once
// The two number formats of the grids: general format with 3 significant
// digits (result grids, fits) and the shortest general format with 15
// significant digits (tree lengths). NaN is "NAN".
#include <QChar>
#include <QString>

QString FormatGeneral(double value, int precision, QChar decimalSeparator);
QString FormatGeneral3(double value, QChar decimalSeparator);
QString FormatShortest(double value, QChar decimalSeparator);

// The decimal separator of the user's locale.
QChar LocaleDecimalSeparator();
