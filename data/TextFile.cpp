#include "data/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

namespace {
// Windows-1252 differs from Latin-1 only in 0x80..0x9F.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
}  // namespace

QString DecodeText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError()) {
        if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
        return text;
    }
    text.clear();
    text.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        text.append(b >= 0x80 && b < 0xA0 ? QChar(Cp1252High[b - 0x80]) : QChar(b));
    }
    return text;
}

QByteArray EncodeTextTable(const std::vector<QStringList>& rows)
{
    QByteArray out;
    for (const QStringList& row : rows) {
        out += row.join(QLatin1Char('\t')).toUtf8();
        out += "\r\n";
    }
    return out;
}

QByteArray EncodeTextLines(const QStringList& lines)
{
    QByteArray out;
    for (const QString& line : lines) {
        out += line.toUtf8();
        out += "\r\n";
    }
    return out;
}

bool SaveTextFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = QStringLiteral("Cannot write \"%1\": %2").arg(path, file.errorString());
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error) *error = QStringLiteral("Cannot write \"%1\": %2").arg(path, file.errorString());
        file.cancelWriting();
        return false;
    }
    return true;
}

bool ReadWholeFile(const QString& path, QByteArray* bytes, QString* error, qint64 maxBytes)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        *error = QStringLiteral("The file \"%1\" does not exist.").arg(path);
        return false;
    }
    if (info.isDir()) {
        *error = QStringLiteral("\"%1\" is a folder, not a file.").arg(path);
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Cannot open \"%1\": %2").arg(path, file.errorString());
        return false;
    }
    if (maxBytes > 0 && file.size() > maxBytes) {
        *error = QStringLiteral("The file \"%1\" is too large (%2 MB; at most %3 MB can be read).")
                     .arg(path)
                     .arg(file.size() / (1024 * 1024))
                     .arg(maxBytes / (1024 * 1024));
        return false;
    }
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("Cannot read \"%1\": %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
