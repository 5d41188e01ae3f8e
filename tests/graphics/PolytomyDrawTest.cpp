// Polytomies, support labels and changes in the tree picture.
#include <gtest/gtest.h>

#include <QSet>
#include <random>

#include "RecordingCanvas.h"
#include "graphics/GrfContainer.h"
#include "graphics/TreeFromNewick.h"
#include "graphics/TreeFromSearch.h"
#include "graphics/TreeLayout.h"
#include "graphics/TreePage.h"
#include "parsimony/summaries/BranchChanges.h"
#include "tests/graphics/TreeBuilders.h"
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

namespace {
// The box a recorded text covers, from its anchor and alignment.
TIntRect TextBox(const TRecordedText& t)
{
    TMeasureCanvas m;
    m.Font = t.Font;
    const int w = m.TextWidth(t.Text), h = m.TextHeight(t.Text);
    const int h0 = t.Align & 6;
    const int left = h0 == TA_CENTER_  ? t.At.x() - w / 2
                     : h0 == TA_RIGHT_ ? t.At.x() - w
                                       : t.At.x();
    const int top = (t.Align & 24) == TA_BOTTOM_ ? t.At.y() - h : t.At.y();
    return {left, top, left + w, top + h};
}
bool Cross(const TIntRect& a, const TIntRect& b)
{
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}
}  // namespace

// Changes as a user meets them on 23 and 255 leaves, on screen and zoomed
// out to the whole tree: no mark or text over another, over a tip label or a
// node marker; no marker over another; circles larger than a branch is thick.
TEST(Changes, NothingDrawnOverAnythingElse)
{
    struct TCase {
        int Leaves, Width, Height, Floor;
        bool AtRight;
    };
    const TCase cases[] = {{23, 733, 652, 8, true},
                           {23, 733, 652, 8, false},
                           {23, 400, 300, 8, true},
                           {255, 733, 652, 8, true},
                           {255, 733, 652, 2, true}};
    const QStringList states{"branched", "netted", "absent", "present", "0", "1"};
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Leaves << " leaves, " << c.Width << " x " << c.Height
                                        << (c.AtRight ? "" : ", labels at the tips"));
        TPicture p("(A,B,C);");
        TadaTreeNodes nodes;
        BuildRandom(nodes, c.Leaves, 3);
        std::mt19937 rng(static_cast<unsigned>(c.Leaves));
        int changes = 0;
        for (int i = 0; i < nodes.Count(); ++i) {
            TscTreeNode* n = nodes.Item(i);
            if (n == nodes.Root) continue;
            const int k = static_cast<int>(rng() % 5);
            for (int j = 0; j < k; ++j) {
                const int character = 1 + static_cast<int>(rng() % 120);
                n->Changes << QStringLiteral("character %1: %2")
                                  .arg(character)
                                  .arg(states[static_cast<qsizetype>(rng() % states.size())]);
                n->ChangeAmbiguous << (rng() % 3 == 0);
                n->ChangeCharacters << character;
            }
            changes += k;
        }
        p.Panel->TreeNodes = &nodes;
        p.Panel->ZoomRoot = nodes.Root;
        p.Panel->DrawAtRight = c.AtRight;
        p.Panel->MinLabelPixels = c.Floor;
        p.Panel->ShowChanges = true;
        p.Panel->RebuildMarkers();
        p.Page.SetScaleHeight(c.Height);
        const int height = c.Floor >= 8 ? ReadableHeight(p.Page, c.Width, c.Height) : c.Height;
        const TRecordingCanvas drawn = p.Draw(c.Width, height);

        QSet<QString> leaves;
        for (int i = 0; i < nodes.Count(); ++i)
            if (nodes.Item(i)->IsLeaf()) leaves.insert(nodes.Item(i)->Label);
        std::vector<TIntRect> labels, texts, circles, markers, counts;
        for (const TRecordedText& t : drawn.Texts)
            (leaves.contains(t.Text) ? labels : texts).push_back(TextBox(t));
        for (const TRecordedShape& s : drawn.Shapes) {
            const QColor colour = s.Brush.Color;
            if (s.Rect.Width() > 60 || s.Rect.Height() > 60) continue;  // the page
            if (s.Kind == 'e' && (colour == Qt::black || colour == Qt::white))
                circles.push_back(s.Rect);
            else if (s.Kind == 'r' && colour == Qt::white)
                counts.push_back(s.Rect);
            else if (s.Kind == 'e' || s.Kind == 'r')
                markers.push_back(s.Rect);
        }
        ASSERT_EQ(static_cast<int>(markers.size()), nodes.Count());
        // Changes are shown in full where there is room, as counts elsewhere.
        if (c.Leaves == 23 && c.Height > 600) {
            EXPECT_FALSE(circles.empty());
        }
        EXPECT_FALSE(circles.empty() && counts.empty());
        for (const TIntRect& circle : circles) EXPECT_GE(circle.Width(), 8);

        std::vector<TIntRect> marks = texts;
        marks.insert(marks.end(), circles.begin(), circles.end());
        marks.insert(marks.end(), counts.begin(), counts.end());
        int crossings = 0;
        auto inside = [](const TIntRect& a, const TIntRect& b) {
            return a.Left >= b.Left && a.Right <= b.Right && a.Top >= b.Top && a.Bottom <= b.Bottom;
        };
        for (size_t i = 0; i < marks.size(); ++i) {
            // A count's number stands inside its box.
            for (size_t j = i + 1; j < marks.size(); ++j)
                crossings += Cross(marks[i], marks[j]) && !inside(marks[i], marks[j]);
            for (const TIntRect& r : labels) crossings += Cross(marks[i], r);
            for (const TIntRect& r : markers) crossings += Cross(marks[i], r);
        }
        EXPECT_EQ(crossings, 0);
        int markerCrossings = 0;
        for (size_t i = 0; i < markers.size(); ++i)
            for (size_t j = i + 1; j < markers.size(); ++j)
                // Markers keep a few pixels even where nodes all but coincide.
                markerCrossings += Cross(markers[i], markers[j]) &&
                                   std::max(markers[i].Width(), markers[j].Width()) > 4;
        EXPECT_EQ(markerCrossings, 0);
    }
}

// The banded index of drawn boxes finds a crossing exactly when comparing
// with every box does: boxes of any shape, turned round or empty, above and
// below row 0.
TEST(Changes, TakenBoxesFindWhatEveryComparisonFinds)
{
    std::mt19937_64 rng(17);
    std::uniform_int_distribution<int> at(-300, 300), size(-8, 120);
    auto box = [&] {
        const int left = at(rng), top = at(rng);
        return TIntRect{left, top, left + size(rng), top + size(rng)};
    };
    for (int round = 0; round < 20; ++round) {
        std::vector<TIntRect> boxes;
        for (int k = 0; k < 60; ++k) boxes.push_back(box());
        TTakenBoxes taken(boxes);
        for (int probe = 0; probe < 200; ++probe) {
            const TIntRect b = box();
            const size_t skip = static_cast<size_t>(probe) % (boxes.size() + 1);
            bool any = false;
            for (size_t i = 0; i < boxes.size(); ++i)
                any = any || (i != skip && BoxesCross(b, boxes[i]));
            ASSERT_EQ(taken.CrossesAny(b, skip), any) << round << " " << probe;
            if (probe % 7 == 0) {
                taken.Add(b);
                boxes.push_back(b);
            }
        }
    }
}
