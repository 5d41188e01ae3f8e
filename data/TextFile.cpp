#include "data/TextFile.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

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

TStatus SaveTextFile(const QString& path, const QByteArray& bytes)
{
    if (TStatus usable = OutputFileRefusal(path); !usable) return usable;
    QSaveFile file(path);
    // Unbuffered: a write cut short (a full disk, a file size limit) shows in
    // write()'s count; through the buffer it went unnoticed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return TFailure(QStringLiteral("Cannot write \"%1\": %2").arg(path, file.errorString()));
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        const int saved = errno;
        file.cancelWriting();
        return TFailure(WriteErrorText(path, file.errorString(), saved));
    }
    return {};
}

QString PrintableText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        if (ch.category() == QChar::Other_Control)
            out += QStringLiteral("\\x") +
                   QString::number(ch.unicode(), 16).toUpper().rightJustified(2, QLatin1Char('0'));
        else
            out += ch;
    }
    return out;
}

TStatus OutputFileRefusal(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    if (S_ISDIR(st.st_mode))
        return TFailure(
            QStringLiteral("Cannot write \"%1\": it is a folder, not a file.").arg(path));
    if (S_ISREG(st.st_mode)) return {};
    const QString kind = S_ISFIFO(st.st_mode) ? QStringLiteral("a FIFO (named pipe)")
                         : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? QStringLiteral("a device")
                         : S_ISSOCK(st.st_mode)                       ? QStringLiteral("a socket")
                                                : QStringLiteral("no regular file");
    return TFailure(QStringLiteral("Cannot write \"%1\": it is %2, not a regular file; output is "
                                   "written to regular files only.")
                        .arg(path, kind));
}

bool IsSameFile(const QString& a, const QString& b)
{
    struct stat sa {
    }, sb{};
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

QString WriteFailureReason(const QString& reason, int errorNumber)
{
    if (errorNumber == EFBIG)
        return QStringLiteral("the file would grow beyond the size limit for files (ulimit -f)");
    if (!reason.isEmpty() && reason != QLatin1String("Unknown error")) return reason;
    return errorNumber != 0 ? QString::fromLocal8Bit(std::strerror(errorNumber))
                            : QStringLiteral("write error");
}

QString WriteErrorText(const QString& path, const QString& reason, int errorNumber)
{
    return QStringLiteral("Cannot write \"%1\": %2")
        .arg(path, WriteFailureReason(reason, errorNumber));
}

TResult<QByteArray> ReadWholeFile(const QString& path, qint64 maxBytes)
{
    const QFileInfo info(path);
    if (!info.exists())
        return TFailure(QStringLiteral("The file \"%1\" does not exist.").arg(path));
    if (info.isDir()) return TFailure(QStringLiteral("\"%1\" is a folder, not a file.").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return TFailure(QStringLiteral("Cannot open \"%1\": %2").arg(path, file.errorString()));
    const auto tooLarge = [&] {
        const QString size = file.size() > maxBytes
                                 ? QString::number(file.size() / (1024 * 1024))
                                 : QStringLiteral("more than %1").arg(maxBytes / (1024 * 1024));
        return TFailure(
            QStringLiteral("The file \"%1\" is too large (%2 MB; at most %3 MB can be read).")
                .arg(path, size)
                .arg(maxBytes / (1024 * 1024)));
    };
    if (maxBytes > 0 && file.size() > maxBytes) return tooLarge();
    // The size a device, a FIFO or a growing file reports is no bound: read in
    // steps and stop one byte past the limit.
    const qint64 limit = maxBytes > 0 ? maxBytes + 1 : std::numeric_limits<qsizetype>::max();
    QByteArray bytes;
    if (file.size() > 0) bytes.reserve(static_cast<qsizetype>(std::min(file.size() + 1, limit)));
    constexpr qint64 Step = 1 << 20;
    while (bytes.size() < limit) {
        const qsizetype have = bytes.size();
        const qint64 want = std::min(Step, limit - have);
        bytes.resize(have + static_cast<qsizetype>(want));
        const qint64 got = file.read(bytes.data() + have, want);
        if (got < 0)
            return TFailure(QStringLiteral("Cannot read \"%1\": %2").arg(path, file.errorString()));
        bytes.resize(have + static_cast<qsizetype>(got));
        if (got == 0) break;
    }
    if (maxBytes > 0 && bytes.size() > maxBytes) return tooLarge();
    return bytes;
}
