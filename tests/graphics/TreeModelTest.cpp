// The drawable tree as a model: codes, lookups, re-rooting and swapping.
#include <gtest/gtest.h>

#include "TreeBuilders.h"

namespace {

// ((A:1,B:2)X:3,(C:4,D:5)Y:6)Root
struct TFourLeaves {
    TadaTreeNodes Nodes;
    TscTreeNode *A, *B, *C, *D, *X, *Y, *Root;
    TFourLeaves()
    {
        auto leaf = [&](const char* name, double len) {
            auto* n = Nodes.Add();
            n->Ident = n->Label = QString::fromLatin1(name);
            n->Length = len;
            return n;
        };
        A = leaf("A", 1), B = leaf("B", 2), C = leaf("C", 4), D = leaf("D", 5);
        X = Nodes.Add(), Y = Nodes.Add(), Root = Nodes.Add();
        X->Ident = "Node 1", X->Length = 3;
        Y->Ident = "Node 2", Y->Length = 6;
        Root->Ident = Root->Label = "Root";
        SetLeft(X, A), SetRight(X, B), SetLeft(Y, C), SetRight(Y, D);
        SetLeft(Root, X), SetRight(Root, Y);
        Nodes.Root = Root;
        Nodes.UpdateCodes();
    }
};

// Every link agrees both ways, every inner node has two children, codes match links.
void ExpectConsistent(const TscTreeNodes& nodes)
{
    int reached = 0;
    for (TscTreeNode* n : PreOrder(nodes.Root)) {
        ++reached;
        EXPECT_EQ(nodes.FindByCode(n->Code), n) << n->Ident.toStdString();
        if (n->IsLeaf()) continue;
        ASSERT_TRUE(n->Left && n->Right) << n->Ident.toStdString();
        EXPECT_EQ(n->Left->Parent, n);
        EXPECT_EQ(n->Right->Parent, n);
    }
    EXPECT_EQ(reached, nodes.Count());
}

TEST(TreeModel, CodesAndLookups)
{
    TFourLeaves t;
    EXPECT_EQ(t.Root->Code, "");
    EXPECT_EQ(t.C->Code, "RL");
    EXPECT_EQ(t.Nodes.FindByCode("RL"), t.C);
    EXPECT_EQ(t.Nodes.FindByCode("RxL"), t.C);  // other letters are ignored
    EXPECT_EQ(t.Nodes.FindByCode(""), t.Root);
    EXPECT_EQ(t.Nodes.FindByCode("RLL"), nullptr);  // below a leaf
    EXPECT_EQ(t.Nodes.Item(-1), nullptr);
    EXPECT_EQ(t.Nodes.Item(7), nullptr);
    EXPECT_EQ(t.Nodes.Item(2), t.C);
    EXPECT_EQ(t.Nodes.Last(), t.Root);
    t.B->NewCode = "LR";
    EXPECT_EQ(t.Nodes.FindByNewCode("LR"), t.B);
    EXPECT_EQ(t.Nodes.FindByNewCode("RR"), nullptr);

    EXPECT_EQ(t.Root->LeafCount(), 4);
    EXPECT_EQ(t.X->LeafCount(), 2);
    EXPECT_EQ(t.A->LeafCount(), 1);
    EXPECT_EQ(t.Nodes.LeafCount(), 4);
    EXPECT_EQ(t.D->Depth(), 2);
    EXPECT_EQ(t.Root->Depth(), 0);
    EXPECT_TRUE(t.D->HasAncestor(t.Root));
    EXPECT_TRUE(t.D->HasAncestor(t.Y));
    EXPECT_FALSE(t.D->HasAncestor(t.X));
    EXPECT_FALSE(t.D->HasAncestor(t.D));
    EXPECT_TRUE(t.C->IsLeftChild());
    EXPECT_FALSE(t.D->IsLeftChild());
    EXPECT_FALSE(t.Root->IsLeftChild());
}

TEST(TreeModel, ReRootOnLeafNextToRootChild)
{
    TFourLeaves t;
    ReRoot(t.Nodes, t.A, "R");
    EXPECT_EQ(Shape(t.Root, true),
              "(((C:4.000000,D:5.000000):9.000000,B:2.000000):0.250000,A:0.750000):0.000000");
    EXPECT_EQ(t.Root->Right, t.A);
    EXPECT_EQ(t.A->Code, "R");
    EXPECT_EQ(t.Y->Code, "LL");
    ExpectConsistent(t.Nodes);
}

TEST(TreeModel, ReRootDeepTurnsLengthsAlongTheWay)
{
    // (((A:1,B:2)N1:3,C:4)N2:5,D:6)
    TadaTreeNodes nodes;
    BuildCaterpillar(nodes, 4);
    const double lengths[] = {1, 2, 4, 6, 3, 5, 0};  // T1..T4, Node 1, Node 2, Root
    for (int i = 0; i < 7; ++i) nodes.Item(i)->Length = lengths[i];
    ReRoot(nodes, nodes.Item(0), "R");
    EXPECT_EQ(Shape(nodes.Root, true),
              "(((T4:11.000000,T3:4.000000):3.000000,T2:2.000000):0.250000,T1:0.750000):0.000000");
    ExpectConsistent(nodes);
}

TEST(TreeModel, ReRootOnRootOrRootChildChangesNothing)
{
    TFourLeaves t;
    const QString before = Shape(t.Root, true);
    ReRoot(t.Nodes, t.Root, "R");
    ReRoot(t.Nodes, t.X, "R");
    ReRoot(t.Nodes, t.Y, "L");
    ReRoot(t.Nodes, nullptr, "R");
    EXPECT_EQ(Shape(t.Root, true), before);
}

// Every node of random trees: total length kept, the chosen branch split at the
// new root, the chosen node on the asked side, the same leaves, sound links.
TEST(TreeModel, ReRootKeepsLengthAndLeavesOnRandomTrees)
{
    for (unsigned seed = 1; seed <= 12; ++seed) {
        for (int pick = 0;; ++pick) {
            TadaTreeNodes nodes;
            BuildRandom(nodes, 3 + static_cast<int>(seed) * 2, seed);
            if (pick >= nodes.Count()) break;
            TscTreeNode* node = nodes.Item(pick);
            if (node == nodes.Root || node->Parent == nodes.Root) continue;
            const double total = TotalLength(nodes);
            const double former = node->Length;
            const int leaves = nodes.LeafCount();
            const QString side = pick % 2 ? "L" : "R";
            ReRoot(nodes, node, side);
            SCOPED_TRACE(testing::Message() << "seed " << seed << " node " << pick);
            EXPECT_NEAR(TotalLength(nodes), total, 1e-9);
            EXPECT_NEAR(nodes.Root->Left->Length + nodes.Root->Right->Length, former, 1e-9);
            EXPECT_EQ(side == "R" ? nodes.Root->Right : nodes.Root->Left, node);
            EXPECT_EQ(nodes.LeafCount(), leaves);
            // The side with more leaves gets the shorter branch.
            const int l = nodes.Root->Left->LeafCount(), r = nodes.Root->Right->LeafCount();
            EXPECT_NEAR(nodes.Root->Left->Length, r * former / leaves, 1e-9);
            EXPECT_NEAR(nodes.Root->Right->Length, l * former / leaves, 1e-9);
            ExpectConsistent(nodes);
        }
    }
}

TEST(TreeModel, ReRootOnCaterpillarOf255Leaves)
{
    TadaTreeNodes nodes;
    BuildCaterpillar(nodes, 255, 0.5);
    const double total = TotalLength(nodes);
    ReRoot(nodes, nodes.Item(0), "R");  // the deepest tip
    EXPECT_NEAR(TotalLength(nodes), total, 1e-9);
    EXPECT_EQ(nodes.Root->Right, nodes.Item(0));
    ExpectConsistent(nodes);
}

TEST(TreeModel, SwapTwiceRestores)
{
    TFourLeaves t;
    const QString before = Shape(t.Root, true);
    t.Nodes.Swap(t.Y);
    EXPECT_EQ(Shape(t.Root), "((A,B),(D,C))");
    EXPECT_EQ(t.D->Code, "RL");
    t.Nodes.Swap(t.Y);
    EXPECT_EQ(Shape(t.Root, true), before);
    EXPECT_EQ(t.D->Code, "RR");
}

TEST(TreeModel, NodeLengthText)
{
    EXPECT_EQ(FormatNodeLength(2.5), "2,50000");
    EXPECT_EQ(FormatNodeLength(0), "");
    EXPECT_EQ(FormatNodeLength(-1.25), "-1,25000");
    EXPECT_EQ(FormatNodeLength(1.234567), "1,23457");
    EXPECT_EQ(FormatNodeLength(1234.5), "1.234,5000");     // one character too long: cut
    EXPECT_EQ(FormatNodeLength(12345678), "12.345.678");   // six too long: cut
    EXPECT_EQ(FormatNodeLength(123456789), "**********");  // seven too long
    EXPECT_EQ(FormatNodeLength(999.999999), "1.000,0000");
}

}  // namespace
