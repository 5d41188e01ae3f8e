// Legacy .xls workbooks. FreeXL crashes on some damaged files, so it runs in
// a child process (varno-xls-reader) with limits on memory and time; a child
// that dies, overruns or answers nonsense means a damaged workbook, and the
// program lives on. FreeXL's quirks, measured here: the worksheet dimensions
// are counts, not the last indices its header promises, and formula cells
// come back empty (the child reads their stored results itself).
#include <freexl.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <cstring>

#include "data/ImportSource.h"
#include "data/NumberFormat.h"
#include "data/Sanitizers.h"
#include "data/WorkbookSheet.h"

namespace {
constexpr int PasswordCode = -1000;  // the child's own codes beside FreeXL's
constexpr int NoSheetCode = -1001;
constexpr rlim_t ChildMemoryBytes = rlim_t(4) << 30;
constexpr rlim_t ChildCpuSeconds = 60;
constexpr int ChildWallMilliseconds = 120'000;
// 20 million cells of up to 256 characters would not fit anyway; the answer
// is cut off well before the parent's memory is at stake.
constexpr qint64 MaxAnswerBytes = 1024LL * 1024 * 1024;

QString XlsErrorText(int code)
{
    switch (code) {
        case FREEXL_FILE_NOT_FOUND:
            return QStringLiteral("the file cannot be opened.");
        case FREEXL_INSUFFICIENT_MEMORY:
            return QStringLiteral("there is not enough memory to read it.");
        case FREEXL_INVALID_CFBF_HEADER:
        case FREEXL_CFBF_INVALID_SIGNATURE:
            return QStringLiteral("it is not an Excel workbook.");
        case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
            return QStringLiteral(
                "the file holds no Excel workbook (is it another Office document?).");
        case FREEXL_UNSUPPORTED_CHARSET:
        case FREEXL_INVALID_CHARACTER:
            return QStringLiteral("its texts are in a character set that cannot be read.");
        case PasswordCode:
            return QStringLiteral("the workbook is protected by a password.");
        case NoSheetCode:
            return QStringLiteral("the workbook holds no worksheet.");
        default:
            return QStringLiteral(
                       "the workbook is damaged or in a form that cannot be read (error %1).")
                .arg(code);
    }
}

QString DamagedText() { return QStringLiteral("the workbook is damaged or cannot be read."); }

// Next to the running program, else where the package installs it, else
// (only for programs of this build) where the build put it.
QString ReaderPath()
{
    const QString given = qEnvironmentVariable("VARNO_XLS_READER");
    if (!given.isEmpty()) return given;
    bool inBuild = true;
    if (QCoreApplication::instance()) {
        const QString dir = QCoreApplication::applicationDirPath();
        for (const QString& candidate : {dir + QStringLiteral("/varno-xls-reader"),
                                         dir + QStringLiteral("/" VARNO_XLS_READER_INSTALLED)}) {
            if (QFileInfo(candidate).isExecutable())
                return QFileInfo(candidate).canonicalFilePath();
        }
        // An unpacked package must not borrow the build's reader unnoticed.
        inBuild = dir.startsWith(QStringLiteral(VARNO_BUILD_ROOT "/"));
    }
#ifdef VARNO_XLS_READER_BUILD_PATH
    if (inBuild) return QStringLiteral(VARNO_XLS_READER_BUILD_PATH);
#endif
    return QStringLiteral("varno-xls-reader");
}

// Strict reading of the child's answer (see XlsReaderMain.cpp).
class TAnswer {
public:
    explicit TAnswer(const QByteArray& bytes) : Bytes(bytes) {}
    bool AtEnd() const { return Pos >= Bytes.size(); }
    // The next line without its '\n'; false when there is no whole line.
    bool Line(QList<QByteArray>* fields)
    {
        const qsizetype end = Bytes.indexOf('\n', Pos);
        if (end < 0) return false;
        *fields = Bytes.mid(Pos, end - Pos).split(' ');
        Pos = end + 1;
        return true;
    }
    bool Take(qsizetype n, QByteArray* out)
    {
        if (n < 0 || n > Bytes.size() - Pos) return false;
        *out = Bytes.mid(Pos, n);
        Pos += n;
        return true;
    }

private:
    const QByteArray& Bytes;
    qsizetype Pos = 0;
};

bool Number(const QByteArray& text, qint64 max, qint64* value)
{
    bool ok = false;
    *value = text.toLongLong(&ok);
    return ok && *value >= 0 && *value <= max && !text.startsWith('+');
}

bool ParseAnswer(const QByteArray& bytes, TSheetCells* cells, QString* error)
{
    TAnswer answer(bytes);
    QList<QByteArray> f;
    if (!answer.Line(&f) || f != QList<QByteArray>{"VARNOXLS", "1"}) return false;
    while (answer.Line(&f)) {
        qint64 row = 0, col = 0, n = 0;
        if (f.size() == 1 && f[0] == "end") return answer.AtEnd();
        if (f.size() == 2 && f[0] == "f") {
            bool ok = false;
            const int code = f[1].toInt(&ok);
            if (!ok || !answer.AtEnd()) return false;
            *error = XlsErrorText(code);
            return true;
        }
        if (f.size() == 3 && f[0] == "r") {
            if (!Number(f[1], 1LL << 32, &row) || !Number(f[2], 1LL << 16, &col) || !answer.AtEnd())
                return false;
            const TStatus fits = UsedRangeFits(row, col);
            *error = fits ? DamagedText() : fits.Error();
            return true;
        }
        if (f.size() != 4 || !Number(f[1], 1LL << 32, &row) || !Number(f[2], 1LL << 16, &col))
            return false;
        if (f[0] == "n") {
            bool ok = false;
            const quint64 bits = f[3].toULongLong(&ok, 16);
            if (!ok || f[3].size() != 16) return false;
            double value = 0;
            std::memcpy(&value, &bits, sizeof value);
            cells->push_back({row, col, FormatShortest(value, QLatin1Char('.'))});
        } else if (f[0] == "s") {
            QByteArray text;
            if (!Number(f[3], 4 * MaxCellLength, &n) || !answer.Take(n, &text)) return false;
            cells->push_back({row, col, QString::fromUtf8(text)});
        } else {
            return false;
        }
    }
    return false;  // the answer broke off
}
}  // namespace

TResult<TSheetCells> ReadXlsFirstSheet(const QString& path)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setStandardErrorFile(QProcess::nullDevice());
    child.setStandardInputFile(QProcess::nullDevice());
    child.setChildProcessModifier([] {
        const rlimit memory{ChildMemoryBytes, ChildMemoryBytes};
        const rlimit cpu{ChildCpuSeconds, ChildCpuSeconds};
        const rlimit core{0, 0};
        if (!AddressSanitizerBuild) ::setrlimit(RLIMIT_AS, &memory);
        ::setrlimit(RLIMIT_CPU, &cpu);
        ::setrlimit(RLIMIT_CORE, &core);
    });
    child.start(ReaderPath(),
                {QFileInfo(path).absoluteFilePath(), QString::number(MaxMatrixCells)});
    if (!child.waitForStarted(30'000))
        return TFailure(
            QStringLiteral("the reader of .xls workbooks (varno-xls-reader) cannot be started: %1")
                .arg(child.errorString()));
    QByteArray answer;
    const QDeadlineTimer deadline(ChildWallMilliseconds);
    bool overran = false;
    while (child.state() != QProcess::NotRunning) {
        if (deadline.hasExpired() || answer.size() > MaxAnswerBytes) {
            overran = true;
            child.kill();
            child.waitForFinished(10'000);
            break;
        }
        child.waitForReadyRead(100);
        answer += child.readAllStandardOutput();
    }
    answer += child.readAllStandardOutput();
    if (overran)
        return TFailure(deadline.hasExpired()
                            ? QStringLiteral("reading the workbook took longer than %1 seconds; it "
                                             "is damaged or too large.")
                                  .arg(ChildWallMilliseconds / 1000)
                            : QStringLiteral("the workbook holds more than can be loaded."));
    // The reader's own refusal comes back as a well-formed answer with a reason.
    TSheetCells cells;
    QString refusal;
    const bool clean = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    if (!clean || !ParseAnswer(answer, &cells, &refusal)) return TFailure(DamagedText());
    if (!refusal.isEmpty()) return TFailure(refusal);
    return cells;
}
