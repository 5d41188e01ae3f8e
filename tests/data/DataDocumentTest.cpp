// The data document: a load replaces the data and says what was read, a
// failed one changes nothing, transposing swaps objects and characters, and
// each of them is a new revision.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "data/DataDocument.h"

namespace {
// Every cell of the matrix as the model shows it, headers included.
std::vector<QStringList> Cells(const TModel& m)
{
    std::vector<QStringList> cells(static_cast<size_t>(m.CharacterCount) + 1);
    for (int c = 0; c <= m.CharacterCount; ++c)
        for (int o = 0; o <= m.ObjectCount; ++o) cells[static_cast<size_t>(c)] << m.Cell(c, o);
    return cells;
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}
}  // namespace

TEST(DataDocument, LoadReplacesTheDataAndReportsIt)
{
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "small.txt",
                                   "Taxon\tsize\tcolour\tlegs\n"
                                   "t1\tA\tred\t6\n"
                                   "t2\tB[A]\tgreen[red]\t8[6]\n");
    TDataDocument doc;
    const std::uint64_t before = doc.Model.Revision;
    ASSERT_TRUE(doc.Load(path).Ok());
    EXPECT_EQ(doc.Model.ObjectCount, 2);
    EXPECT_EQ(doc.Model.CharacterCount, 3);
    EXPECT_EQ(doc.Model.Cell(2, 2), "green[red]");
    EXPECT_FALSE(doc.Model.FromExcel);
    EXPECT_NE(doc.Model.Revision, before);
    EXPECT_EQ(doc.Report().Path, path);
    EXPECT_EQ(doc.Report().Lines,
              QStringList({"", "Data from " + path, "Objects = 2", "Characters = 3"}));
    EXPECT_TRUE(doc.Report().Notes.isEmpty());

    // A cell too long is cut, and the report says so.
    const QString cut =
        WriteFile(dir, "long.txt", "Taxon\tsize\nt1\t" + QByteArray(300, 'x') + "\nt2\tA\n");
    ASSERT_TRUE(doc.Load(cut).Ok());
    EXPECT_EQ(doc.Model.Cell(1, 1).size(), MaxCellLength);
    EXPECT_FALSE(doc.Report().Notes.isEmpty());

    // A workbook is told by its name.
    ASSERT_TRUE(doc.Load(QStringLiteral(VARNO_SOURCE_DIR "/examples/weevils.xlsx")).Ok());
    EXPECT_TRUE(doc.Model.FromExcel);
    EXPECT_GT(doc.Model.ObjectCount, 2);
}

TEST(DataDocument, AFailedLoadChangesNothing)
{
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "good.txt", "Taxon\tsize\nt1\tA\nt2\tB[A]\nt3\tB\n");
    TDataDocument doc;
    ASSERT_TRUE(doc.Load(path).Ok());
    const TModel kept = doc.Model;
    const TLoadReport report = doc.Report();
    for (const QString& bad :
         {dir.filePath("missing.txt"), WriteFile(dir, "broken.nex", "#NEXUS\nbegin data; matrix"),
          WriteFile(dir, "broken.xlsx", "not a workbook")}) {
        const TStatus loaded = doc.Load(bad);
        EXPECT_FALSE(loaded.Ok()) << bad.toStdString();
        EXPECT_FALSE(loaded.Error().isEmpty());
        EXPECT_EQ(doc.Model.Revision, kept.Revision);
        EXPECT_EQ(doc.Model.DataMatrix, kept.DataMatrix);
        EXPECT_EQ(doc.Report().Lines, report.Lines);
    }
}

TEST(DataDocument, TransposeSwapsObjectsAndCharactersAsANewRevision)
{
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "m.txt",
                                   "Taxon\tc1\tc2\tc3\n"
                                   "t1\tA\tB\tC\n"
                                   "t2\tD\tE\tF\n");
    TDataDocument doc;
    ASSERT_TRUE(doc.Load(path).Ok());
    const std::vector<QStringList> original = Cells(doc.Model);
    // A parsimony coding of these data stops being current.
    doc.Model.SetCharField(TSField(), true);
    ASSERT_TRUE(doc.Model.PathSetsCurrent());
    const std::uint64_t loaded = doc.Model.Revision;
    doc.Transpose();
    EXPECT_NE(doc.Model.Revision, loaded);
    EXPECT_FALSE(doc.Model.PathSetsCurrent());
    EXPECT_EQ(doc.Model.ObjectCount, 3);
    EXPECT_EQ(doc.Model.CharacterCount, 2);
    EXPECT_EQ(doc.Model.Cell(0, 3), "c3");  // characters became objects
    EXPECT_EQ(doc.Model.Cell(2, 0), "t2");
    EXPECT_EQ(doc.Model.Cell(2, 3), "F");
    doc.Transpose();
    EXPECT_EQ(Cells(doc.Model), original);

    const TDynStrMatrix kept = doc.Model.DataMatrix;
    const TMatrixData handed = doc.Release();
    EXPECT_EQ(handed.DataMatrix, kept);
    EXPECT_EQ(handed.ObjectCount, 2);
    EXPECT_EQ(handed.CharacterCount, 3);
    EXPECT_EQ(doc.Model.ObjectCount, 0);
    EXPECT_TRUE(doc.Report().Lines.isEmpty());
}
