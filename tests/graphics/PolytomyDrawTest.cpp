// Polytomies, support labels and changes in the tree picture.
#include <gtest/gtest.h>

#include "RecordingCanvas.h"
#include "graphics/GrfContainer.h"
#include "graphics/TreeFromNewick.h"
#include "graphics/TreeFromSearch.h"
#include "graphics/TreeLayout.h"
#include "parsimony/summaries/BranchChanges.h"
#include "tests/parsimony/RandomField.h"
#include "tests/parsimony/TreeTestSupport.h"

namespace {
struct TPicture {
    TGrfContainer Page;
    TadaTreeGrf* Panel;
    TadaTreeNodes Nodes;
    explicit TPicture(const QString& newick)
    {
        const TResult<TNewickTrees> read = ReadNewick(newick);
        EXPECT_TRUE(read.Ok());
        const TStatus drawn = NewickToTreeNodes(read->Trees.front(), Nodes);
        EXPECT_TRUE(drawn.Ok()) << drawn.Error().toStdString();
        Panel = Page.AddChild(std::make_unique<TadaTreeGrf>());
        Panel->TreeNodes = &Nodes;
        Panel->ZoomRoot = Nodes.Root;
        Panel->RebuildMarkers();
    }
    TRecordingCanvas Draw(int w = 800, int h = 600)
    {
        TRecordingCanvas c;
        Page.PaintToCanvas(c, {0, 0, w - 1, h - 1});
        return c;
    }
    TscTreeNode* Leaf(const QString& name)
    {
        for (int i = 0; i < Nodes.Count(); ++i)
            if (Nodes.Item(i)->IsLeaf() && Nodes.Item(i)->Label == name) return Nodes.Item(i);
        return nullptr;
    }
};
}  // namespace

TEST(Polytomy, LayoutDrawsOneNodeWithAllItsChildren)
{
    TPicture p("((A,B,C,D)67,E,F);");
    const std::vector<TscTreeNode*> top = p.Nodes.Root->ShownChildren();
    ASSERT_EQ(top.size(), 3u);
    TscTreeNode* four = top[0];
    EXPECT_EQ(four->Support, "67");
    EXPECT_EQ(four->ShownChildren().size(), 4u);
    EXPECT_EQ(p.Leaf("D")->Parent->Shown(), four);
    EXPECT_EQ(p.Leaf("D")->ShownDepth(), 2);
    LayoutY(p.Nodes, p.Nodes.Root);
    LayoutX(p.Nodes.Root);
    // Leaves 0..5 in order; the polytomy midway between A and D; its links
    // sit where it sits, so every child starts from one vertical line.
    EXPECT_EQ(p.Leaf("A")->Y, 0);
    EXPECT_EQ(p.Leaf("F")->Y, 5);
    EXPECT_DOUBLE_EQ(four->Y, 1.5);
    EXPECT_DOUBLE_EQ(p.Nodes.Root->Y, (1.5 + 5) / 2);
    for (const char* leaf : {"A", "B", "C", "D"})
        EXPECT_DOUBLE_EQ(p.Leaf(leaf)->Parent->X, four->X) << leaf;
    // Markers: 6 leaves, the root and the polytomy; no marker for the links.
    EXPECT_EQ(p.Panel->GrfObjects().size(), 8u);

    const TRecordingCanvas c = p.Draw();
    const TRecordedText* label = c.FindText("67");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Align, TA_RIGHT_ | TA_BOTTOM_);
    // The vertical lines at the polytomy's x reach from A's to D's level.
    const QPoint at = p.Panel->World().WorldToDevice(four->X, four->Y);
    int top_ = at.y(), bottom = at.y();
    for (const TRecordedLine& l : c.Lines)
        if (l.From.x() == at.x() && l.To.x() == at.x()) {
            top_ = std::min({top_, l.From.y(), l.To.y()});
            bottom = std::max({bottom, l.From.y(), l.To.y()});
        }
    const int a = p.Panel->World().WorldToDevice(0, 0).y(),
              d = p.Panel->World().WorldToDevice(0, 3).y();
    EXPECT_EQ(top_, std::min(a, d));
    EXPECT_EQ(bottom, std::max(a, d));
    // Swapping the polytomy turns the order of its children round by one.
    p.Nodes.Swap(four);
    LayoutY(p.Nodes, p.Nodes.Root);
    EXPECT_EQ(p.Leaf("A")->Y, 3);
    EXPECT_EQ(p.Leaf("B")->Y, 0);
}

TEST(Polytomy, ConsensusNewickRoundTripsThroughTheDrawing)
{
    // Every leaf found once, labels kept, no node without a branch left over.
    TPicture p("(((A,B)100,C,D)50,(E,F,G,H)75,I);");
    int leaves = 0, supports = 0;
    for (int i = 0; i < p.Nodes.Count(); ++i) {
        const TscTreeNode* n = p.Nodes.Item(i);
        leaves += n->IsLeaf();
        supports += !n->Support.isEmpty();
        if (n->Collapsed) {
            EXPECT_TRUE(n->Support.isEmpty());
            EXPECT_EQ(n->Length, 0);
        }
    }
    EXPECT_EQ(leaves, 9);
    EXPECT_EQ(supports, 3);
    const TRecordingCanvas c = p.Draw();
    for (const char* text : {"100", "50", "75", "A", "I"})
        EXPECT_NE(c.FindText(text), nullptr) << text;
}

TEST(Changes, DrawnAsMarksWithCharacterAndStateOnlyWhenAsked)
{
    TPicture p("((A:1,B:1):2,(C:1,D:1):1);");
    TscTreeNode* ab = p.Leaf("A")->Parent;
    ab->Changes = {"wing: B", "eye: e1"};
    ab->ChangeAmbiguous = {false, true};
    TRecordingCanvas c = p.Draw();
    EXPECT_EQ(c.FindText("wing"), nullptr);
    p.Panel->ShowChanges = true;
    c = p.Draw();
    ASSERT_NE(c.FindText("wing"), nullptr);
    ASSERT_NE(c.FindText("B"), nullptr);
    ASSERT_NE(c.FindText("e1"), nullptr);
    // Both marks lie on AB's branch, between its ends; the ambiguous one is open.
    const QPoint from = p.Panel->World().WorldToDevice(p.Nodes.Root->X, ab->Y);
    const QPoint to = p.Panel->World().WorldToDevice(ab->X, ab->Y);
    std::vector<TRecordedShape> marks;
    for (const TRecordedShape& s : c.Shapes)
        if (s.Kind == 'e' && (s.Rect.Top + s.Rect.Bottom) / 2 == to.y() && s.Rect.Left > from.x() &&
            s.Rect.Right < to.x())
            marks.push_back(s);
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].Brush.Color, QColor(Qt::black));
    EXPECT_EQ(marks[1].Brush.Color, QColor(Qt::white));
    EXPECT_LT(c.FindText("wing")->At.x(), c.FindText("eye")->At.x());
    // With the characters' numbers known, the numbers stand above the marks.
    ab->ChangeCharacters = {1, 2};
    c = p.Draw();
    EXPECT_EQ(c.FindText("wing"), nullptr);
    ASSERT_NE(c.FindText("1"), nullptr);
    ASSERT_NE(c.FindText("2"), nullptr);
    EXPECT_LT(c.FindText("1")->At.x(), c.FindText("2")->At.x());
}

TEST(Changes, AttachedByCladeToTheBranchesOfANewickDrawing)
{
    std::mt19937_64 rng(31);
    for (int round = 0; round < 40; ++round) {
        TRandomFieldShape shape;
        shape.Objects = 3 + round % 20;
        shape.Characters = 6;
        shape.MissingShare = 0.1;
        const TSField field = RandomField(rng, shape);
        TTree tree = RandomTree(rng, shape.Objects);
        DeriveTopology(tree);
        TadaTreeNodes fromSearch, fromText;
        ASSERT_TRUE(SearchTreeToTreeNodes(tree, field.Names, fromSearch).Ok());
        AttachChanges(tree, field, true, fromSearch);
        ASSERT_TRUE(
            NewickToTreeNodes(ReadNewick(WriteNewick(tree, field.Names))->Trees.front(), fromText)
                .Ok());
        EXPECT_EQ(AttachChangesByClade(tree, field, true, fromText), 0);
        // Same changes on the branch above every leaf, and the same total.
        auto total = [](const TadaTreeNodes& nodes) {
            qsizetype sum = 0;
            for (int i = 0; i < nodes.Count(); ++i) sum += nodes.Item(i)->Changes.size();
            return sum;
        };
        size_t expected = 0;
        for (const TBranch& b : BranchChanges(tree, field, true)) expected += b.Changes.size();
        EXPECT_EQ(total(fromSearch), static_cast<qsizetype>(expected)) << "round " << round;
        EXPECT_EQ(total(fromText), static_cast<qsizetype>(expected)) << "round " << round;
        for (int i = 0; i < fromSearch.Count(); ++i) {
            const TscTreeNode* a = fromSearch.Item(i);
            if (!a->IsLeaf()) continue;
            for (int k = 0; k < fromText.Count(); ++k)
                if (fromText.Item(k)->IsLeaf() && fromText.Item(k)->Label == a->Label) {
                    EXPECT_EQ(fromText.Item(k)->Changes, a->Changes) << "round " << round;
                }
        }
    }
}
