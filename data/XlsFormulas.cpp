#include "data/XlsFormulas.h"

#include <QDate>
#include <QTime>
#include <cmath>
#include <cstring>
#include <map>
#include <set>

namespace {
quint32 U32(const QByteArray& b, qsizetype at)
{
    if (at < 0 || at + 4 > b.size()) return 0xFFFFFFFFu;
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData() + at);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint16 U16(const QByteArray& b, qsizetype at)
{
    if (at < 0 || at + 2 > b.size()) return 0xFFFF;
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData() + at);
    return quint16(p[0] | p[1] << 8);
}

constexpr quint32 EndOfChain = 0xFFFFFFFEu;
constexpr quint32 FreeSector = 0xFFFFFFFFu;

// The compound file's sector allocation, read defensively: every chain is
// cut at the first id outside the file or at a loop.
class TCompoundFile {
public:
    explicit TCompoundFile(const QByteArray& bytes) : Bytes(bytes)
    {
        if (!bytes.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1") || bytes.size() < 512) return;
        const int shift = U16(bytes, 0x1E);
        const int miniShift = U16(bytes, 0x20);
        if ((shift != 9 && shift != 12) || miniShift != 6) return;
        SectorSize = qsizetype(1) << shift;
        SectorCount = (bytes.size() - SectorSize + SectorSize - 1) / SectorSize;
        if (SectorCount <= 0) return;
        MiniCutoff = U32(bytes, 0x38);
        // The FAT sectors: 109 in the header, then a chain of DIFAT sectors.
        std::vector<quint32> fatSectors;
        for (int i = 0; i < 109; ++i) {
            const quint32 s = U32(bytes, 0x4C + 4 * i);
            if (s < SectorCount) fatSectors.push_back(s);
        }
        quint32 difat = U32(bytes, 0x44);
        std::set<quint32> seen;
        while (difat < SectorCount && seen.insert(difat).second) {
            const qsizetype at = Offset(difat);
            const qsizetype entries = SectorSize / 4 - 1;
            for (qsizetype i = 0; i < entries; ++i) {
                const quint32 s = U32(bytes, at + 4 * i);
                if (s < SectorCount) fatSectors.push_back(s);
            }
            difat = U32(bytes, at + 4 * entries);
        }
        for (quint32 s : fatSectors) {
            if (static_cast<qsizetype>(Fat.size()) >= SectorCount) break;
            const qsizetype at = Offset(s);
            for (qsizetype i = 0; i < SectorSize / 4; ++i) Fat.push_back(U32(bytes, at + 4 * i));
        }
        Directory = Chain(U32(bytes, 0x30), Fat,
                          [this](quint32 s) { return Bytes.mid(Offset(s), SectorSize); });
        // Root entry: where the mini stream lives.
        if (Directory.size() < 128) return;
        const QByteArray miniFatBytes = Chain(
            U32(bytes, 0x3C), Fat, [this](quint32 s) { return Bytes.mid(Offset(s), SectorSize); });
        for (qsizetype i = 0; i + 4 <= miniFatBytes.size(); i += 4)
            MiniFat.push_back(U32(miniFatBytes, i));
        MiniStream = Chain(U32(Directory, 0x74), Fat,
                           [this](quint32 s) { return Bytes.mid(Offset(s), SectorSize); });
        Valid = true;
    }

    QByteArray Stream(const QStringList& names) const
    {
        if (!Valid) return {};
        for (qsizetype at = 0; at + 128 <= Directory.size(); at += 128) {
            const int nameBytes = U16(Directory, at + 0x40);
            if (Directory.at(at + 0x42) != 2 || nameBytes < 2 || nameBytes > 64) continue;
            const QString name = QString::fromUtf16(
                reinterpret_cast<const char16_t*>(Directory.constData() + at), nameBytes / 2 - 1);
            if (!names.contains(name, Qt::CaseInsensitive)) continue;
            const quint32 start = U32(Directory, at + 0x74);
            const quint32 size = U32(Directory, at + 0x78);
            QByteArray data;
            if (size < MiniCutoff) {
                data = Chain(start, MiniFat,
                             [this](quint32 s) { return MiniStream.mid(qsizetype(s) * 64, 64); });
            } else {
                data = Chain(start, Fat,
                             [this](quint32 s) { return Bytes.mid(Offset(s), SectorSize); });
            }
            return data.left(size);
        }
        return {};
    }

private:
    qsizetype Offset(quint32 sector) const { return (qsizetype(sector) + 1) * SectorSize; }

    template <typename Read>
    QByteArray Chain(quint32 start, const std::vector<quint32>& table, Read read) const
    {
        QByteArray out;
        std::vector<bool> seen(table.size());
        for (quint32 s = start; s < table.size() && !seen[s]; s = table[s]) {
            seen[s] = true;
            out += read(s);
        }
        return out;
    }

    const QByteArray& Bytes;
    qsizetype SectorSize = 512;
    qsizetype SectorCount = 0;
    quint32 MiniCutoff = 4096;
    std::vector<quint32> Fat, MiniFat;
    QByteArray Directory, MiniStream;
    bool Valid = false;
};

struct TRecord {
    quint16 Type = 0;
    qsizetype Start = 0;  // of the record's data
    qsizetype Size = 0;
};

// Reads the record at *pos and moves *pos past it; false at the end or at damage.
bool NextRecord(const QByteArray& s, qsizetype* pos, TRecord* r)
{
    if (*pos + 4 > s.size()) return false;
    r->Type = U16(s, *pos);
    r->Size = U16(s, *pos + 2);
    r->Start = *pos + 4;
    if (r->Start + r->Size > s.size()) return false;
    *pos = r->Start + r->Size;
    return true;
}

// A BIFF8 unicode string (character count, option byte, characters) that may
// go on in CONTINUE records, each of which starts with a new option byte.
QString ReadBiffString(const QByteArray& s, TRecord record, qsizetype at, qsizetype pos,
                       int countBytes)
{
    qsizetype count = countBytes == 2 ? U16(s, at) : static_cast<unsigned char>(s.at(at));
    at += countBytes;
    if (at >= record.Start + record.Size) return {};
    quint8 options = static_cast<quint8>(s.at(at++));
    if (options & 0x08) at += 2;  // rich-text run count
    if (options & 0x04) at += 4;  // phonetic size
    QString text;
    while (count > 0) {
        const qsizetype end = record.Start + record.Size;
        const bool wide = options & 0x01;
        while (count > 0 && at + (wide ? 2 : 1) <= end) {
            text += wide ? QChar(U16(s, at)) : QChar(static_cast<unsigned char>(s.at(at)));
            at += wide ? 2 : 1;
            --count;
        }
        if (count == 0 || !NextRecord(s, &pos, &record) || record.Type != 0x003C || record.Size < 1)
            break;
        at = record.Start;
        options = static_cast<quint8>(s.at(at++));
    }
    return text;
}

// True when a number format shows a date or time: one of the built-in ones,
// or letters d, m with y, y, h or s outside quotes, brackets and escapes.
enum class TShown { Number, Date, DateTime, Time };

TShown ShownAs(int formatId, const QString& code)
{
    if ((formatId >= 14 && formatId <= 17) || (formatId >= 27 && formatId <= 31) ||
        (formatId >= 50 && formatId <= 58))
        return TShown::Date;
    if (formatId == 22) return TShown::DateTime;
    if ((formatId >= 18 && formatId <= 21) || (formatId >= 45 && formatId <= 47))
        return TShown::Time;
    if (code.isEmpty()) return TShown::Number;
    bool date = false, time = false, quoted = false, bracket = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i).toLower();
        if (quoted) {
            quoted = c != QLatin1Char('"');
        } else if (bracket) {
            if (c == QLatin1Char(']')) bracket = false;
            // [h], [mm], [ss]: elapsed time
            else if (c == QLatin1Char('h') || c == QLatin1Char('s'))
                time = true;
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char('[')) {
            bracket = true;
        } else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*')) {
            ++i;
        } else if (c == QLatin1Char(';')) {
            break;  // the first section decides
        } else if (c == QLatin1Char('d') || c == QLatin1Char('y')) {
            date = true;
        } else if (c == QLatin1Char('h') || c == QLatin1Char('s')) {
            time = true;
        }
    }
    return date ? (time ? TShown::DateTime : TShown::Date) : time ? TShown::Time : TShown::Number;
}

QString DateText(double serial, bool base1904, TShown shown)
{
    if (!std::isfinite(serial) || serial < 0 || serial > 2958465.0) return {};
    const qint64 days = static_cast<qint64>(std::floor(serial));
    const qint64 seconds = std::llround((serial - static_cast<double>(days)) * 86400.0);
    QDate date;
    if (base1904)
        date = QDate(1904, 1, 1).addDays(days);
    else  // 1900 system, with its invented 29 February 1900 (serial 60)
        date = days < 61 ? QDate(1899, 12, 31).addDays(days) : QDate(1899, 12, 30).addDays(days);
    const QTime time = QTime(0, 0).addSecs(static_cast<int>(seconds % 86400));
    const QString dateText = date.toString(QStringLiteral("yyyy-MM-dd"));
    const QString timeText = time.toString(QStringLiteral("HH:mm:ss"));
    switch (shown) {
        case TShown::Date:
            return seconds == 0 ? dateText : dateText + QLatin1Char(' ') + timeText;
        case TShown::DateTime:
            return dateText + QLatin1Char(' ') + timeText;
        case TShown::Time:
            return timeText;
        case TShown::Number:
            break;
    }
    return {};
}

QString ErrorText(int code)
{
    switch (code) {
        case 0x00:
            return QStringLiteral("#NULL!");
        case 0x07:
            return QStringLiteral("#DIV/0!");
        case 0x0F:
            return QStringLiteral("#VALUE!");
        case 0x17:
            return QStringLiteral("#REF!");
        case 0x1D:
            return QStringLiteral("#NAME?");
        case 0x24:
            return QStringLiteral("#NUM!");
        case 0x2A:
            return QStringLiteral("#N/A");
        default:
            return QStringLiteral("#ERROR");
    }
}
}  // namespace

QByteArray XlsWorkbookStream(const QByteArray& file)
{
    const TCompoundFile cfb(file);
    return cfb.Stream({QStringLiteral("Workbook"), QStringLiteral("Book")});
}

TXlsFormulaResults ReadXlsFormulaResults(const QByteArray& file)
{
    TXlsFormulaResults out;
    const QByteArray s = XlsWorkbookStream(file);
    // Workbook globals: date system, number formats, cell formats, sheets.
    qsizetype pos = 0;
    TRecord r;
    if (!NextRecord(s, &pos, &r) || r.Type != 0x0809 || U16(s, r.Start) != 0x0600)
        return out;  // BIFF8 only
    bool base1904 = false;
    std::map<int, QString> formats;
    std::vector<int> cellFormats;  // XF index -> number format id
    qint64 firstSheet = -1;
    while (NextRecord(s, &pos, &r) && r.Type != 0x000A) {
        switch (r.Type) {
            case 0x002F:  // FILEPASS: the rest is encrypted
                return out;
            case 0x0022:
                base1904 = U16(s, r.Start) == 1;
                break;
            case 0x041E:
                if (r.Size >= 5)
                    formats[U16(s, r.Start)] = ReadBiffString(s, r, r.Start + 2, pos, 2);
                break;
            case 0x00E0:
                if (r.Size >= 4) cellFormats.push_back(U16(s, r.Start + 2));
                break;
            case 0x0085:
                if (firstSheet < 0 && r.Size >= 4) firstSheet = U32(s, r.Start);
                break;
            default:
                break;
        }
    }
    if (firstSheet < 0 || firstSheet >= s.size()) return out;
    pos = static_cast<qsizetype>(firstSheet);
    if (!NextRecord(s, &pos, &r) || r.Type != 0x0809) return out;
    TXlsFormulaCell pending;  // a string result waits for its STRING record
    bool waitingForString = false;
    while (NextRecord(s, &pos, &r) && r.Type != 0x000A) {
        if (r.Type == 0x0207 && waitingForString) {  // STRING
            if (r.Size >= 3) pending.Text = ReadBiffString(s, r, r.Start, pos, 2);
            if (pending.Text.isEmpty())
                ++out.WithoutResult;
            else
                out.Cells.push_back(pending);
            waitingForString = false;
            continue;
        }
        if (r.Type == 0x0205 && r.Size >= 8) {  // BOOLERR: row, col, XF, value, is-error
            TXlsFormulaCell cell;
            cell.Row = U16(s, r.Start);
            cell.Col = U16(s, r.Start + 2);
            const auto value = static_cast<unsigned char>(s.at(r.Start + 6));
            if (s.at(r.Start + 7) == 0)
                cell.Text = value ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
            else
                cell.Text = ErrorText(value);
            out.BoolErrCells.push_back(cell);
            continue;
        }
        if (r.Type != 0x0006 || r.Size < 20) continue;  // FORMULA
        if (waitingForString) ++out.WithoutResult;      // its STRING record never came
        waitingForString = false;
        TXlsFormulaCell cell;
        cell.Row = U16(s, r.Start);
        cell.Col = U16(s, r.Start + 2);
        const quint16 xf = U16(s, r.Start + 4);
        const qsizetype v = r.Start + 6;
        if (U16(s, v + 6) == 0xFFFF) {
            switch (static_cast<unsigned char>(s.at(v))) {
                case 0:
                    pending = cell;
                    waitingForString = true;
                    break;
                case 1:
                    cell.Text = s.at(v + 2) ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
                    out.Cells.push_back(cell);
                    break;
                case 2:
                    cell.Text = ErrorText(static_cast<unsigned char>(s.at(v + 2)));
                    out.Cells.push_back(cell);
                    break;
                default:  // 3: an empty string, nothing to show
                    break;
            }
            continue;
        }
        double number = 0;
        std::memcpy(&number, s.constData() + v,
                    sizeof number);  // little-endian IEEE, as the machine
        const int formatId = xf < cellFormats.size() ? cellFormats[xf] : 0;
        const auto code = formats.find(formatId);
        const TShown shown = ShownAs(formatId, code != formats.end() ? code->second : QString());
        if (shown != TShown::Number) cell.Text = DateText(number, base1904, shown);
        if (cell.Text.isEmpty()) {
            cell.IsNumber = true;
            cell.Number = number;
        }
        out.Cells.push_back(cell);
    }
    if (waitingForString) ++out.WithoutResult;
    return out;
}
