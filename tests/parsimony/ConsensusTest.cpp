// Consensus trees: worked examples, bad input, and agreement with DendroPy on
// random tree sets.
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>

#include "parsimony/summaries/Consensus.h"
#include "tests/parsimony/TreeTestSupport.h"

namespace {
QString ConsensusOf(const QString& newick, TConsensusKind kind, bool percents = true)
{
    const TResult<TNewickTrees> read = ReadNewick(newick);
    EXPECT_TRUE(read.Ok()) << read.Error().toStdString();
    if (!read) return {};
    const TResult<TNewickSet> set = CladesOfNewick(read->Trees);
    EXPECT_TRUE(set.Ok()) << set.Error().toStdString();
    if (!set) return {};
    return WriteNewickTree(ConsensusToNewick(Consensus(set->Input, kind), set->Names, percents));
}

// The groups of a consensus as sorted name lists.
QSet<QString> GroupNames(const TGeneralTree& tree, const std::vector<QString>& names)
{
    QSet<QString> out;
    for (const TGeneralNode& n : tree.Nodes) {
        if (n.Children.empty() || static_cast<int>(&n - tree.Nodes.data()) == tree.Root) continue;
        QStringList members;
        for (size_t o = 1; o < names.size(); ++o)
            if (n.Group.Contains(static_cast<int>(o))) members << names[o];
        members.sort();
        out.insert(members.join(','));
    }
    return out;
}
}  // namespace

TEST(Consensus, WorkedExamplesOfEveryKind)
{
    const QString three = "(((A,B),C),(D,E));(((A,B),D),(C,E));(((A,C),B),(D,E));";
    EXPECT_EQ(ConsensusOf(three, TConsensusKind::Strict), "(A,B,C,D,E);");
    EXPECT_EQ(ConsensusOf(three, TConsensusKind::Majority), "(((A,B)67,C)67,(D,E)67);");
    EXPECT_EQ(ConsensusOf(three, TConsensusKind::Majority, false), "(((A,B),C),(D,E));");
    // No group is free of conflict here.
    EXPECT_EQ(ConsensusOf(three, TConsensusKind::Semistrict), "(A,B,C,D,E);");

    // Semistrict keeps ABC, which the polytomy of the first tree does not contradict.
    const QString soft = "((A,B),C,D,E);(((A,B),C),D,E);";
    EXPECT_EQ(ConsensusOf(soft, TConsensusKind::Strict, false), "((A,B),C,D,E);");
    EXPECT_EQ(ConsensusOf(soft, TConsensusKind::Semistrict, false), "(((A,B),C),D,E);");

    // Nothing above half; the compatible groups at 50 % come in, ABC (larger) before AB.
    const QString four = "(((A,B),C),D);(((A,B),D),C);(((C,D),A),B);(((A,C),B),D);";
    EXPECT_EQ(ConsensusOf(four, TConsensusKind::Majority), "(A,B,C,D);");
    EXPECT_EQ(ConsensusOf(four, TConsensusKind::MajorityCompatible), "(((A,B)50,C)50,D);");

    // Exactly half is not a majority; ties broken by the first object where the groups differ.
    const QString halves = "((A,B),(C,D));((A,C),(B,D));";
    EXPECT_EQ(ConsensusOf(halves, TConsensusKind::Majority), "(A,B,C,D);");
    EXPECT_EQ(ConsensusOf(halves, TConsensusKind::MajorityCompatible), "((A,B)50,(C,D)50);");
}

TEST(Consensus, OneTreeAndTreesWithLabelsGiveTheTreeItself)
{
    // Support labels, quoted names and lengths from other programs are read and ignored.
    const QString labelled = "((('Long name',B)95:0.5,C)0.87:1,(D,E)'100':2)root;";
    EXPECT_EQ(ConsensusOf(labelled, TConsensusKind::Majority),
              "((('Long name',B)100,C)100,(D,E)100);");
    EXPECT_EQ(ConsensusOf(labelled, TConsensusKind::Strict, false), "((('Long name',B),C),(D,E));");
    // What we write reads back to the same groups and labels.
    const QString again = ConsensusOf("(((A,B),C),(D,E));(((A,B),D),(C,E));(((A,C),B),(D,E));",
                                      TConsensusKind::Majority);
    EXPECT_EQ(ConsensusOf(again, TConsensusKind::Majority, false), "(((A,B),C),(D,E));");
    const TResult<TNewickTrees> r = ReadNewick(again);
    ASSERT_TRUE(r.Ok());
    EXPECT_EQ(WriteNewickTree(r->Trees.front()), again);
}

TEST(Consensus, BadTreeSetsAreRefusedWithAReason)
{
    EXPECT_EQ(CladesOfNewick({}).Error().toStdString(), "There are no trees.");
    auto error = [](const QString& text) {
        const TResult<TNewickTrees> read = ReadNewick(text);
        EXPECT_TRUE(read.Ok());
        return CladesOfNewick(read->Trees).Error();
    };
    EXPECT_TRUE(error("((A,B),C);((A,B),D);").contains("\"D\", which tree 1 lacks"))
        << error("((A,B),C);((A,B),D);").toStdString();
    EXPECT_TRUE(error("((A,B),C);(A,B);").contains("Tree 2 lacks \"C\""));
    EXPECT_TRUE(error("((A,B),C);((A,B),(C,A));").contains("twice"));
    EXPECT_TRUE(error("((A,A),C);").contains("twice"));
    EXPECT_TRUE(error("A;").contains("fewer than two"));
    EXPECT_TRUE(error("((A,),C);").contains("without a name"));
}

TEST(Consensus, GroupsOfSearchTreesMatchTheirNewick)
{
    std::mt19937_64 rng(5);
    for (int round = 0; round < 50; ++round) {
        const int n = 3 + round % 20;
        std::vector<TTree> trees;
        for (int k = 0; k < 4; ++k) trees.push_back(RandomTree(rng, n));
        std::vector<const TTree*> pointers;
        for (const TTree& t : trees) pointers.push_back(&t);
        std::vector<QString> names{QString()};
        for (int o = 1; o <= n; ++o) names.push_back(QStringLiteral("T%1").arg(o));
        QString text;
        for (const TTree& t : trees) text += WriteNewick(t, names);
        const TResult<TNewickSet> fromText = CladesOfNewick(ReadNewick(text)->Trees);
        ASSERT_TRUE(fromText.Ok());
        const TConsensusInput fromTrees = CladesOfTrees(pointers, n);
        for (TConsensusKind kind :
             {TConsensusKind::Strict, TConsensusKind::Majority, TConsensusKind::Semistrict}) {
            const TGeneralTree a = Consensus(fromTrees, kind);
            const TGeneralTree b = Consensus(fromText->Input, kind);
            EXPECT_EQ(GroupNames(a, names), GroupNames(b, fromText->Names))
                << "seed 5, round " << round;
        }
        // The same leaf order as the first tree: a tree's consensus with itself is itself.
        const TGeneralTree self =
            Consensus(CladesOfTrees({pointers[0]}, n), TConsensusKind::Strict);
        EXPECT_TRUE(self.IsBinary());
        const QString plain = WriteNewick(trees[0], names).remove(QRegularExpression(":[0-9.]+"));
        EXPECT_EQ(WriteNewickTree(ConsensusToNewick(self, names, false)).toStdString(),
                  plain.toStdString())
            << "round " << round;
    }
}

TEST(Consensus, AgreesWithDendroPyOnRandomTreeSets)
{
    const QString python = QStringLiteral("/usr/bin/python3");
    const QString script = QStringLiteral(VARNO_SOURCE_DIR) +
                           QStringLiteral("/tests/parsimony/data/consensus_peer.py");
    if (!QFile::exists(python))
        GTEST_SKIP() << "no /usr/bin/python3: consensus not compared with DendroPy";
    QTemporaryDir dir;
    std::mt19937_64 rng(1234);
    struct TCase {
        QString Path;
        QSet<QString> Strict, Majority;
    };
    std::vector<TCase> cases;
    for (int round = 0; round < 40; ++round) {
        const int n = 4 + round % 9;
        // A few distinct trees drawn with repeats, so that groups recur.
        std::vector<TTree> pool;
        for (int k = 0; k < 2 + round % 4; ++k) pool.push_back(RandomTree(rng, n));
        std::vector<const TTree*> set;
        const int count = 1 + round % 12;
        for (int k = 0; k < count; ++k)
            set.push_back(&pool[std::uniform_int_distribution<size_t>(0, pool.size() - 1)(rng)]);
        std::vector<QString> names{QString()};
        for (int o = 1; o <= n; ++o) names.push_back(QStringLiteral("T%1").arg(o));
        TCase c;
        c.Path = dir.filePath(QStringLiteral("set%1.nwk").arg(round));
        QFile f(c.Path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        for (const TTree* t : set) f.write((WriteNewick(*t, names) + "\n").toUtf8());
        f.close();
        const TConsensusInput input = CladesOfTrees(set, n);
        c.Strict = GroupNames(Consensus(input, TConsensusKind::Strict), names);
        c.Majority = GroupNames(Consensus(input, TConsensusKind::Majority), names);
        cases.push_back(c);
    }
    QStringList args{script};
    for (const TCase& c : cases) args << c.Path;
    QProcess p;
    p.start(python, args);
    ASSERT_TRUE(p.waitForFinished(120000));
    if (p.exitCode() == 77)
        GTEST_SKIP()
            << "DendroPy is not installed (apt-get install python3-dendropy): not compared";
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    std::map<QString, std::pair<QSet<QString>, QSet<QString>>> peer;
    QString file;
    for (const QString& line :
         QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
        const QStringList cells = line.split('\t');
        if (cells[0] == "file")
            file = cells[1];
        else
            (cells[0] == "strict" ? peer[file].first : peer[file].second).insert(cells[1]);
    }
    for (const TCase& c : cases) {
        EXPECT_EQ(peer[c.Path].first, c.Strict) << c.Path.toStdString();
        EXPECT_EQ(peer[c.Path].second, c.Majority) << c.Path.toStdString();
    }
}

// The consensus of big trees (object sets of any size, counted tree by tree)
// against the 255-object one on the same random sets: same text for every
// kind, from Newick (binary and not) and from compact trees alike.
TEST(Consensus, BigTreesGiveWhatTheSmallConsensusGives)
{
    std::mt19937_64 rng(255);
    for (int round = 0; round < 30; ++round) {
        const int n = round < 20 ? 4 + round % 9 : 60 + 19 * (round - 20);
        std::vector<TTree> pool;
        for (int k = 0; k < 2 + round % 3; ++k) pool.push_back(RandomTree(rng, n));
        std::vector<const TTree*> set;
        for (int k = 0; k < 1 + round % 7; ++k)
            set.push_back(&pool[std::uniform_int_distribution<size_t>(0, pool.size() - 1)(rng)]);
        std::vector<QString> names{QString()};
        for (int o = 1; o <= n; ++o) names.push_back(QStringLiteral("T%1").arg(o));
        QString text;
        for (const TTree* t : set) text += WriteNewick(*t, names) + "\n";
        if (round % 2 == 1) {  // a tree with polytomies among them
            const TResult<TNewickSet> binary = CladesOfNewick(ReadNewick(text)->Trees);
            ASSERT_TRUE(binary.Ok());
            text += WriteNewickTree(ConsensusToNewick(
                        Consensus(binary->Input, TConsensusKind::Majority), binary->Names, false)) +
                    "\n";
        }
        const TResult<TNewickTrees> read = ReadNewick(text);
        ASSERT_TRUE(read.Ok());
        const TResult<TNewickSet> small = CladesOfNewick(read->Trees);
        const TResult<TBigNewickSet> big = BigCladesOfNewick(read->Trees);
        ASSERT_TRUE(small.Ok() && big.Ok());
        const TConsensusInput records = CladesOfTrees(set, n);
        TBigConsensusInput compact;
        compact.ObjectCount = n;
        compact.LeafOrder = records.LeafOrder;
        for (const TTree* t : set) compact.Add(CompactGroups(CompactFromTree(*t)));
        for (TConsensusKind kind :
             {TConsensusKind::Strict, TConsensusKind::Majority, TConsensusKind::MajorityCompatible,
              TConsensusKind::Semistrict}) {
            const QString expected = WriteNewickTree(
                ConsensusToNewick(Consensus(small->Input, kind), small->Names, true));
            EXPECT_EQ(WriteNewickTree(
                          ConsensusToNewick(BigConsensus(big->Input, kind), big->Names, true)),
                      expected)
                << "round " << round << ", " << ConsensusKindName(kind).toStdString();
            EXPECT_EQ(WriteNewickTree(ConsensusToNewick(BigConsensus(compact, kind), names, true)),
                      WriteNewickTree(ConsensusToNewick(Consensus(records, kind), names, true)))
                << "round " << round << ", " << ConsensusKindName(kind).toStdString();
        }
    }
}
