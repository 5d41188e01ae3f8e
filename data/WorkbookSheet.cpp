#include "data/WorkbookSheet.h"

#include <QDate>
#include <QRegularExpression>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "data/ImportSource.h"

QString WorkbookNumberText(double value)
{
    if (std::isnan(value)) return QStringLiteral("NAN");
    if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0) return QStringLiteral("0");

    // Shortest round-trip digits, then laid out like the general format.
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
    const std::string s(buf, res.ptr);
    const size_t ePos = s.find('e');
    std::string digits;
    for (size_t i = 0; i < ePos; ++i)
        if (s[i] != '.') digits += s[i];
    const int exponent = std::stoi(s.substr(ePos + 1));

    std::string out = value < 0 ? "-" : "";
    if (exponent >= -5 && exponent < 15) {
        if (exponent < 0) {
            out += "0.";
            out.append(static_cast<size_t>(-exponent - 1), '0');
            out += digits;
        } else {
            const size_t intDigits = static_cast<size_t>(exponent) + 1;
            std::string intPart = digits.substr(0, std::min(intDigits, digits.size()));
            intPart.append(intDigits - intPart.size(), '0');
            out += intPart;
            if (digits.size() > intDigits) out += "." + digits.substr(intDigits);
        }
    } else {
        out += digits[0];
        if (digits.size() > 1) out += "." + digits.substr(1);
        out += "E" + std::to_string(exponent);
    }
    return QString::fromLatin1(out.c_str());
}

namespace {
QString TimeText(qint64 seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
}  // namespace

QString WorkbookSerialDateText(double serial, bool epoch1904, TDateParts parts)
{
    // 9999-12-31 is the last day either system can show.
    if (!std::isfinite(serial) || serial < 0 || serial >= 2958466) return {};
    qint64 seconds = std::llround(serial * 86400.0);
    qint64 days = seconds / 86400;
    seconds %= 86400;
    if (parts == TDateParts::Time) return TimeText(seconds);
    QString date;
    if (epoch1904) {
        date = QDate(1904, 1, 1).addDays(days).toString(Qt::ISODate);
    } else if (days == 60) {
        date = QStringLiteral("1900-02-29");  // the day the 1900 system counts but never was
    } else {
        if (days == 0) return {};
        date = QDate(1899, 12, days < 60 ? 31 : 30).addDays(days).toString(Qt::ISODate);
    }
    if (parts == TDateParts::Date) return date;
    return date + QLatin1Char(' ') + TimeText(seconds);
}

QString WorkbookIsoDateText(const QString& iso)
{
    static const QRegularExpression form(QStringLiteral(
        R"(^\s*(-?\d{4,}-\d{2}-\d{2})(?:[T ](\d{2}):(\d{2})(?::(\d{2})(?:[.,](\d+))?)?)?\s*$)"));
    const QRegularExpressionMatch m = form.match(iso);
    if (!m.hasMatch()) return iso;
    if (m.capturedLength(2) == 0) return m.captured(1);
    qint64 seconds = m.captured(2).toLongLong() * 3600 + m.captured(3).toLongLong() * 60 +
                     m.captured(4).toLongLong();
    if (m.capturedLength(5) > 0 && m.captured(5).at(0) >= QLatin1Char('5')) ++seconds;
    QString date = m.captured(1);
    if (seconds >= 86400) {  // rounded up to midnight
        const QDate next = QDate::fromString(date, Qt::ISODate).addDays(1);
        if (next.isValid()) {
            date = next.toString(Qt::ISODate);
            seconds -= 86400;
        } else {
            seconds = 86399;
        }
    }
    return date + QLatin1Char(' ') + TimeText(seconds);
}

QString WorkbookBoolText(bool value)
{
    return value ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
}

QString WorkbookCellName(qint64 row, qint64 col)
{
    QString letters;
    for (qint64 c = col + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QLatin1Char(static_cast<char>('A' + (c - 1) % 26)));
    return letters + QString::number(row + 1);
}

QString FormulaWithoutResultWarning(const std::vector<QString>& cellNames)
{
    if (cellNames.empty()) return {};
    QString names;
    for (size_t i = 0; i < std::min<size_t>(cellNames.size(), 5); ++i)
        names += (i ? QStringLiteral(", ") : QString()) + cellNames[i];
    if (cellNames.size() > 5) names += QStringLiteral(" and %1 more").arg(cellNames.size() - 5);
    return QStringLiteral(
               "WARNING: %1 formula cell%2 without a stored result read as empty (%3); "
               "open the workbook in a spreadsheet program, let it calculate and save it again.")
        .arg(cellNames.size())
        .arg(cellNames.size() == 1 ? QString() : QStringLiteral("s"))
        .arg(names);
}

TStatus UsedRangeFits(qint64 rows, qint64 cols)
{
    if (rows > 0 && cols > 0 && rows <= MaxMatrixCells / cols) return {};
    return TFailure(
        QStringLiteral("the first worksheet is too large to load (%1 rows by %2 columns).")
            .arg(rows)
            .arg(cols));
}

TResult<TMatrixData> SheetToMatrix(const TSheetCells& cells)
{
    qint64 top = std::numeric_limits<qint64>::max(), left = top, bottom = -1, right = -1;
    for (const TSheetCell& cell : cells) {
        if (cell.Text.isEmpty()) continue;
        top = std::min(top, cell.Row);
        left = std::min(left, cell.Col);
        bottom = std::max(bottom, cell.Row);
        right = std::max(right, cell.Col);
    }
    if (bottom < 0) return TFailure(QStringLiteral("the first worksheet is empty."));
    const qint64 rows = bottom - top + 1, usedCols = right - left + 1;
    // A names-only column still has one (empty) character, as in a text
    // file; a lone header cell stays a 1 x 1 matrix with nothing to analyse.
    const qint64 cols = usedCols == 1 && rows > 1 ? 2 : usedCols;
    if (TStatus fits = UsedRangeFits(rows, cols); !fits) return TFailure(fits.Error());

    TMatrixData data;
    data.DataMatrix.assign(static_cast<size_t>(cols), TPart(static_cast<size_t>(rows)));
    for (const TSheetCell& cell : cells)
        if (!cell.Text.isEmpty())
            data.SetCell(static_cast<size_t>(cell.Col - left), static_cast<size_t>(cell.Row - top),
                         cell.Text);
    data.ObjectCount = static_cast<int>(rows - 1);
    data.CharacterCount = static_cast<int>(cols - 1);
    return data;
}
