#pragma once
// Runs varno-batch as a user does and keeps what it said.
#include <QByteArray>
#include <QProcess>
#include <QStringList>

struct TBatchRun {
    int Exit = -1;  // -1 when it did not finish in time
    QByteArray Out, Err;
};

inline TBatchRun RunBatch(const QStringList& args, int timeoutMs = 120000)
{
    QProcess p;
    p.start(QStringLiteral(VARNO_BATCH), args);
    TBatchRun r;
    if (!p.waitForFinished(timeoutMs)) return r;
    r.Exit = p.exitCode();
    r.Out = p.readAllStandardOutput();
    r.Err = p.readAllStandardError();
    return r;
}

// The same run with both streams decoded as UTF-8 text.
struct TBatchText {
    int Exit = -1;  // -1 when it did not finish in time
    QString Out, Err;
};

inline TBatchText RunBatchText(const QStringList& args, int timeoutMs = 300000)
{
    const TBatchRun r = RunBatch(args, timeoutMs);
    return {r.Exit, QString::fromUtf8(r.Out), QString::fromUtf8(r.Err)};
}
