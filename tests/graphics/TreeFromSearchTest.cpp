// A found tree of the search as the drawing's node list.
#include <gtest/gtest.h>

#include "graphics/TreeFromSearch.h"
#include "tests/parsimony/TreeTestSupport.h"

namespace {

std::vector<QString> Names(int n)
{
    std::vector<QString> names{QString()};
    for (int i = 1; i <= n; ++i) names.push_back(QStringLiteral("obj%1").arg(i));
    return names;
}

// Fits as DeriveTopology leaves the children; distinct fits to see them land.
TTree Prepared(TTree tree)
{
    DeriveTopology(tree);
    for (size_t i = 1; i < tree.Tips.size(); ++i) tree.Tips[i].Fit = 0.5 * static_cast<double>(i);
    for (size_t j = 1; j < tree.Nodes.size(); ++j)
        tree.Nodes[j].Fit = tree.Nodes[j].Anc ? 10.0 + j : 0;
    return tree;
}

TEST(TreeFromSearch, PositionsNamesLengthsAndLinks)
{
    // ((obj3, obj1), (obj2, obj4)): node 1 root; node 2 above tips 1, 2; node 3 above tips 3, 4.
    const TTree tree = Prepared(MakeTreeFromLinks({2, 2, 3, 3}, {0, 1, 1}, {3, 1, 2, 4}));
    TadaTreeNodes nodes;
    const TStatus drawn = SearchTreeToTreeNodes(tree, Names(4), nodes);
    ASSERT_TRUE(drawn.Ok()) << drawn.Error().toStdString();
    ASSERT_EQ(nodes.Count(), 7);
    // Tip i at i − 1, named after its object; node j at T + j − 1.
    EXPECT_EQ(nodes.Item(0)->Ident, "obj3");
    EXPECT_EQ(nodes.Item(0)->Label, "obj3");
    EXPECT_EQ(nodes.Item(3)->Ident, "obj4");
    EXPECT_EQ(nodes.Item(2)->Length, 1.5);
    EXPECT_EQ(nodes.Item(4), nodes.Root);
    EXPECT_EQ(nodes.Root->Ident, "Root");
    EXPECT_EQ(nodes.Root->Label, "Root");
    EXPECT_EQ(nodes.Item(5)->Ident, "Node 2");
    EXPECT_EQ(nodes.Item(5)->Label, "");
    EXPECT_EQ(nodes.Item(6)->Length, 13.0);
    // Links both ways, children in Child[1], Child[2] order, codes from the root.
    EXPECT_EQ(nodes.Item(0)->Parent, nodes.Item(5));
    EXPECT_EQ(nodes.Item(5)->Parent, nodes.Root);
    EXPECT_EQ(nodes.Root->Parent, nullptr);
    for (TscTreeNode* n : PreOrder(nodes.Root)) {
        if (n->IsLeaf()) continue;
        EXPECT_EQ(n->Left->Parent, n);
        EXPECT_EQ(n->Right->Parent, n);
        EXPECT_EQ(n->Left->Code, n->Code + "L");
    }
    const TNode& root = tree.Nodes[1];
    EXPECT_EQ(nodes.Root->Left, root.Child[1].IsTip ? nodes.Item(root.Child[1].Num - 1)
                                                    : nodes.Item(4 + root.Child[1].Num - 1));
    EXPECT_EQ(nodes.LeafCount(), 4);
}

TEST(TreeFromSearch, RandomTreesGiveOneTreeWithTheSameSplits)
{
    std::mt19937_64 rng(2024);
    for (int round = 0; round < 50; ++round) {
        const int t = 2 + static_cast<int>(rng() % 60);
        const TTree tree = Prepared(RandomTree(rng, t));
        TadaTreeNodes nodes;
        ASSERT_TRUE(SearchTreeToTreeNodes(tree, Names(t), nodes).Ok()) << "round " << round;
        ASSERT_EQ(static_cast<int>(PreOrder(nodes.Root).size()), 2 * t - 1);
        // Every tip's way up passes the same nodes as in the search tree.
        for (int i = 1; i <= t; ++i) {
            int depth = 0;
            for (int j = tree.Tips[i].Anc; j; j = tree.Nodes[j].Anc) ++depth;
            EXPECT_EQ(nodes.Item(i - 1)->Depth(), depth) << "round " << round << " tip " << i;
        }
    }
}

TEST(TreeFromSearch, BrokenLinksAreRefused)
{
    TTree tree = Prepared(MakeTreeFromLinks({2, 2, 3, 3}, {0, 1, 1}));
    TTree cycle = tree;
    cycle.Nodes[2].Anc = 3;
    cycle.Nodes[3].Anc = 2;
    TTree twice = tree;
    twice.Nodes[1].Child[2] = twice.Nodes[1].Child[1];
    TTree empty;
    for (const TTree* bad : {&cycle, &twice, &empty}) {
        TadaTreeNodes nodes;
        const TStatus drawn = SearchTreeToTreeNodes(*bad, Names(4), nodes);
        EXPECT_FALSE(drawn.Ok());
        EXPECT_TRUE(drawn.Error().contains("cannot be drawn")) << drawn.Error().toStdString();
    }
}

}  // namespace
