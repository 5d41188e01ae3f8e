// A one-column workbook goes through the jobs exactly as the same text file.
#include <gtest/gtest.h>

#include <QDir>

#include "tests/support/BatchRun.h"

namespace {
const QString Writers = QStringLiteral(VARNO_SOURCE_DIR "/tests/data/fixtures/real-writers/");
}

TEST(WorkbookBatch, OneColumnWorkbookRunsTheJobsLikeItsTextFile)
{
    const QString text = Writers + QStringLiteral("sources/one_column.txt");
    const std::vector<QStringList> jobs{
        {QStringLiteral("load")},
        {QStringLiteral("distance")},
        {QStringLiteral("distance"), QStringLiteral("--type"), QStringLiteral("standard")},
        {QStringLiteral("parsimony"), QStringLiteral("--trees"), QStringLiteral("3"),
         QStringLiteral("--seed"), QStringLiteral("5")},
    };
    for (const char* book :
         {"one_column.lo.xlsx", "one_column.gnumeric.ods", "one_column.lo.xls"}) {
        for (const QStringList& job : jobs) {
            SCOPED_TRACE(std::string(book) + " " + job.join(' ').toStdString());
            const TBatchRun fromText = RunBatch(QStringList{job.first(), text} + job.mid(1));
            const TBatchRun fromBook =
                RunBatch(QStringList{job.first(), Writers + book} + job.mid(1));
            EXPECT_EQ(fromBook.Exit, fromText.Exit);
            QByteArray out = fromBook.Out;
            out.replace(QString(Writers + book).toUtf8(), text.toUtf8());
            EXPECT_EQ(out, fromText.Out);
            EXPECT_FALSE(fromBook.Out.contains("Characters = 0"));
        }
    }
}
