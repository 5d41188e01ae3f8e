// Newick trees into node lists, and `varno-batch draw` end to end.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include "graphics/GrfRender.h"
#include "graphics/TreeFromNewick.h"
#include "tests/support/TitleRule.h"

namespace {

TEST(NewickToNodes, TipsFirstThenInnerNodesWithRoot)
{
    const TResult<TNewickTrees> read = ReadNewick("((A:1,B:2):0.5,(C,'D e':0):1.5);");
    ASSERT_TRUE(read.Ok()) << read.Error().toStdString();
    TadaTreeNodes nodes;
    const TStatus drawn = NewickToTreeNodes(read->Trees[0], nodes);
    ASSERT_TRUE(drawn.Ok()) << drawn.Error().toStdString();
    ASSERT_EQ(nodes.Count(), 7);
    EXPECT_EQ(nodes.Item(0)->Label, "A");
    EXPECT_EQ(nodes.Item(3)->Ident, "D e");
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(nodes.Item(i)->IsLeaf());
    EXPECT_EQ(nodes.Root->Ident, "Root");
    EXPECT_EQ(nodes.Root->Label, "Root");
    EXPECT_EQ(nodes.Root->Parent, nullptr);
    EXPECT_TRUE(nodes.Item(4)->Ident.startsWith("Node ") || nodes.Item(4) == nodes.Root);
    EXPECT_EQ(nodes.FindByCode("LR")->Label, "B");
    EXPECT_EQ(nodes.FindByCode("RR")->Label, "D e");
    EXPECT_DOUBLE_EQ(nodes.FindByCode("R")->Length, 1.5);
    EXPECT_DOUBLE_EQ(nodes.FindByCode("RL")->Length, 0);  // no length given
}

TEST(NewickToNodes, RefusesNodesWithOneChild)
{
    for (const char* text : {"((A),B);", "(A);"}) {
        const TResult<TNewickTrees> read = ReadNewick(QString::fromLatin1(text));
        ASSERT_TRUE(read.Ok()) << text;
        TadaTreeNodes nodes;
        const TStatus drawn = NewickToTreeNodes(read->Trees[0], nodes);
        EXPECT_FALSE(drawn.Ok()) << text;
        EXPECT_TRUE(drawn.Error().contains("not binary")) << drawn.Error().toStdString();
    }
}

struct TRun {
    int Exit = -1;
    QString Err;
};

TRun Batch(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(VARNO_BATCH), QStringList{"draw"} + args);
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
}

class DrawCommand : public testing::Test {
protected:
    QTemporaryDir Dir;
    QString Write(const QString& name, const QByteArray& text)
    {
        QFile f(Dir.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return f.fileName();
    }
};

TEST_F(DrawCommand, WritesEveryFormat)
{
    const QString tree = Write("t.nwk",
                               "(((A:1,B:2):0.5,(C:1,(D:0.3,E:0):0.2):1.5):1,((F:2,G:1):1,"
                               "((H:1,'Größe ß':1):0.3,J:0.1):0.7):0.4);\n");
    for (const char* ext : {"bmp", "jpg", "emf", "svg", "pdf", "png"}) {
        const QString out = Dir.filePath(QStringLiteral("t.%1").arg(ext));
        const TRun run =
            Batch({tree, "-o", out, "--title", "Ten", "--width", "400", "--height", "300"});
        EXPECT_EQ(run.Exit, 0) << ext << run.Err.toStdString();
        EXPECT_GT(QFileInfo(out).size(), 100) << ext;
    }
    const QString mono = Dir.filePath("m.bmp");
    EXPECT_EQ(Batch({tree, "-o", mono, "--mono", "--layout", "roundrect", "--left-labels"}).Exit,
              0);
    QFile f(mono);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(quint8(f.read(30)[28]), 1);
    EXPECT_EQ(QImage(mono).size(), QSize(1280, 1024));
}

TEST_F(DrawCommand, TitleRuleLiesBelowTheTitle)
{
    const QString tree = Write("t.nwk", "((A:1,B:2):0.5,(C:1,D:0.3):1);");
    for (const char* layout : {"lines", "title"}) {
        const QString plain = Dir.filePath(QStringLiteral("plain-%1.bmp").arg(layout));
        const QString titled = Dir.filePath(QStringLiteral("titled-%1.bmp").arg(layout));
        ASSERT_EQ(Batch({tree, "-o", plain, "--layout", layout}).Exit, 0);
        ASSERT_EQ(Batch({tree, "-o", titled, "--layout", layout, "--title", "Quercus gyp"}).Exit,
                  0);
        const TTitleRows rows = FindTitleRows(QImage(titled), QImage(plain));
        ASSERT_GE(rows.TextBottom, 0) << layout;
        EXPECT_LT(rows.TextBottom, rows.RuleTop) << layout;
    }
}

TEST_F(DrawCommand, BadInputGetsAClearMessage)
{
    const QString ten = Write("t.nwk", "((A,B),(C,D));");
    TRun run = Batch({Write("n.nwk", "((A),B);"), "-o", Dir.filePath("x.png")});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_TRUE(run.Err.contains("not binary")) << run.Err.toStdString();
    run = Batch({Write("one.nwk", "A;"), "-o", Dir.filePath("x.png")});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_TRUE(run.Err.contains("single leaf")) << run.Err.toStdString();
    run = Batch({ten, "-o", Dir.filePath("missing/x.png")});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_TRUE(run.Err.contains("missing")) << run.Err.toStdString();
    run = Batch({ten, "-o", Dir.filePath("x.jpg"), "--mono"});
    EXPECT_EQ(run.Exit, 2);
    run = Batch({ten, "-o", Dir.filePath("x.png"), "--layout", "fancy"});
    EXPECT_EQ(run.Exit, 2);
    run = Batch({ten, "-o", Dir.filePath("x.tif")});
    EXPECT_EQ(run.Exit, 2);
    run = Batch({ten, "-o", Dir.filePath("x.png"), "--width", "12x"});
    EXPECT_EQ(run.Exit, 2);
    run = Batch({Dir.filePath("none.nwk"), "-o", Dir.filePath("x.png")});
    EXPECT_EQ(run.Exit, 1);
    EXPECT_FALSE(QFile::exists(Dir.filePath("x.png")));
}

TEST_F(DrawCommand, LargeAndOddTrees)
{
    QByteArray caterpillar = "T1";
    for (int i = 2; i <= 255; ++i)
        caterpillar = "(" + caterpillar + ":0.1,T" + QByteArray::number(i) + ":0)";
    EXPECT_EQ(Batch({Write("c.nwk", caterpillar + ";"), "-o", Dir.filePath("c.emf")}).Exit, 0);
    const TRun negative =
        Batch({Write("neg.nwk", "((A:-1,B:2):-0.5,C:0);"), "-o", Dir.filePath("n.png")});
    EXPECT_EQ(negative.Exit, 0);
    EXPECT_TRUE(negative.Err.contains("negative"));
    // 7 000 leaves: an SVG grows as the labels need; a PNG stops at its pixel
    // budget and says that its labels are smaller.
    QList<QByteArray> level;
    for (int i = 1; i <= 7000; ++i) level << "T" + QByteArray::number(i) + ":1";
    while (level.size() > 1) {
        QList<QByteArray> next;
        for (qsizetype i = 0; i + 1 < level.size(); i += 2)
            next << "(" + level[i] + "," + level[i + 1] + "):1";
        if (level.size() % 2) next << level.back();
        level = next;
    }
    const QString big = Write("big.nwk", level.front() + ";");
    const TRun svg = Batch({big, "-o", Dir.filePath("big.svg")});
    EXPECT_EQ(svg.Exit, 0) << svg.Err.toStdString();
    EXPECT_TRUE(svg.Err.contains("stay 6 points high")) << svg.Err.toStdString();
    const TRun png = Batch({big, "-o", Dir.filePath("big.png")});
    EXPECT_EQ(png.Exit, 0) << png.Err.toStdString();
    EXPECT_TRUE(png.Err.contains("smaller than 6 points")) << png.Err.toStdString();
    QFile pngFile(Dir.filePath("big.png"));
    ASSERT_TRUE(pngFile.open(QIODevice::ReadOnly));
    const QByteArray header = pngFile.read(24);  // IHDR: width and height at 16 and 20
    const auto pngHeight = qFromBigEndian<quint32>(header.constData() + 20);
    EXPECT_EQ(pngHeight, static_cast<quint32>(MaxPictureHeight(TPictureFormat::Png, 1280)));
    QFile svgFile(Dir.filePath("big.svg"));
    ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
    const QByteArray svgHead = svgFile.read(2000);
    const int at = svgHead.indexOf("viewBox=\"");
    ASSERT_GE(at, 0);
    const QList<QByteArray> box = svgHead.mid(at + 9, 40).split('"').front().split(' ');
    ASSERT_EQ(box.size(), 4);
    EXPECT_GE(box[3].toInt(), 7000 * 8);  // 6 points at 96 dpi: 8 pixels a leaf
    const QByteArray longName = "'" + QByteArray(255, 'W') + "'";
    EXPECT_EQ(
        Batch({Write("l.nwk", "((" + longName + ":1,B:1):1,C:1);"), "-o", Dir.filePath("l.svg")})
            .Exit,
        0);
}

}  // namespace
