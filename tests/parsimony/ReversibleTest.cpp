// The bit-parallel reversible scoring against Sankoff's dynamic programming,
// and its move costs against full evaluations of the moved trees.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <numeric>
#include <random>

#include "parsimony/length/Criterion.h"
#include "parsimony/length/ReferenceSankoff.h"
#include "parsimony/length/ReversibleField.h"
#include "tests/parsimony/TreeTestSupport.h"

namespace {
int Draw(std::mt19937_64& rng, int low, int high)
{
    return std::uniform_int_distribution<int>(low, high)(rng);
}

struct TShape {
    int Characters = 20;
    int MaxStates = 4;
    double Missing = 0.1;  // share of "?" cells
    double Sets = 0.15;    // share of cells with several states
    bool Weights = false;
};

// Random characters of every reversible criterion; state trees with their
// states numbered at random, so a parent is not always a lower state.
TNumbered<TReversibleCharacter> RandomCharacters(std::mt19937_64& rng, int objects,
                                                 const TShape& shape)
{
    std::uniform_real_distribution<double> unit(0, 1);
    TNumbered<TReversibleCharacter> out;
    out.Resize(shape.Characters);
    for (int c = 1; c <= shape.Characters; ++c) {
        TReversibleCharacter& ch = out[c];
        ch.Criterion =
            std::array{TCriterion::Unordered, TCriterion::Ordered,
                       TCriterion::StateTreeReversible}[static_cast<size_t>(Draw(rng, 0, 2))];
        const int n = unit(rng) < 0.5 ? Draw(rng, 2, std::min(4, shape.MaxStates))
                                      : Draw(rng, 2, shape.MaxStates);
        ch.StateCount = n;
        if (ch.Criterion == TCriterion::StateTreeReversible) {
            std::vector<int> label(static_cast<size_t>(n));
            std::iota(label.begin(), label.end(), 0);
            std::shuffle(label.begin(), label.end(), rng);
            ch.Parent.assign(static_cast<size_t>(n), -1);
            for (int k = 1; k < n; ++k)
                ch.Parent[static_cast<size_t>(label[static_cast<size_t>(k)])] =
                    label[static_cast<size_t>(Draw(rng, 0, k - 1))];
        }
        if (shape.Weights)
            ch.Weight = std::array{0, 1, 1, 2, 5}[static_cast<size_t>(Draw(rng, 0, 4))];
        // Few states in use per character, so that trees differ in length.
        const int used = Draw(rng, 2, n);
        ch.Cells.Resize(objects);
        for (int o = 1; o <= objects; ++o) {
            TInclusion& cell = ch.Cells[o];
            const double u = unit(rng);
            if (u < shape.Missing) {
                if (unit(rng) < 0.5)
                    for (int s = 0; s < n; ++s) cell.Include(s);  // "?" written as every state
            } else if (u < shape.Missing + shape.Sets) {
                const int size = Draw(rng, 2, std::min(n, 4));
                while (cell.Count() < size) cell.Include(Draw(rng, 0, n - 1));
            } else {
                cell.Include(Draw(rng, 0, used - 1));
            }
        }
    }
    return out;
}

std::string Describe(const TNumbered<TReversibleCharacter>& characters, int c)
{
    const TReversibleCharacter& ch = characters[c];
    std::string text = "character " + std::to_string(c) + " (" +
                       CriterionName(ch.Criterion).toStdString() + ", " +
                       std::to_string(ch.StateCount) + " states)";
    return text;
}

// The vertices below root.
std::vector<int> VerticesBelow(const TTreeLinks& t, int root)
{
    std::vector<int> out{root};
    for (size_t k = 0; k < out.size(); ++k)
        if (out[k] >= t.Tips)
            for (int c : t.Child[static_cast<size_t>(out[k])]) out.push_back(c);
    return out;
}

void ReplaceChild(TTreeLinks& t, int parent, int from, int to)
{
    auto& c = t.Child[static_cast<size_t>(parent)];
    (c[0] == from ? c[0] : c[1]) = to;
}

// Unlinks the part below clip; its parent node q stays free for the regraft.
void Prune(TTreeLinks& t, int clip)
{
    const int q = t.Parent[static_cast<size_t>(clip)];
    const auto& c = t.Child[static_cast<size_t>(q)];
    const int sibling = c[0] == clip ? c[1] : c[0];
    const int grand = t.Parent[static_cast<size_t>(q)];
    t.Parent[static_cast<size_t>(sibling)] = grand;
    if (grand < 0)
        t.Root = sibling;
    else
        ReplaceChild(t, grand, q, sibling);
    t.Parent[static_cast<size_t>(q)] = -1;
}

// Puts the free node q on the branch above v (or above the root), with the
// children v and x.
void JoinAbove(TTreeLinks& t, int v, int x, int q)
{
    const int pv = t.Parent[static_cast<size_t>(v)];
    t.Child[static_cast<size_t>(q)] = {v, x};
    t.Parent[static_cast<size_t>(x)] = q;
    t.Parent[static_cast<size_t>(q)] = pv;
    if (pv < 0)
        t.Root = q;
    else
        ReplaceChild(t, pv, v, q);
    t.Parent[static_cast<size_t>(v)] = q;
}

// Roots the part below its root node r anew on the branch above w, keeping r
// as the root node.
void Reroot(TTreeLinks& t, int r, int w)
{
    std::vector<int> path{w};
    while (path.back() != r) path.push_back(t.Parent[static_cast<size_t>(path.back())]);
    const size_t k = path.size() - 1;
    if (k < 2) return;  // a child of r: the same rooting
    auto other = [&](int v, int child) {
        const auto& c = t.Child[static_cast<size_t>(v)];
        return c[0] == child ? c[1] : c[0];
    };
    const int z = other(r, path[k - 1]);
    std::vector<int> others(k);
    for (size_t i = 1; i < k; ++i) others[i] = other(path[i], path[i - 1]);
    const int up = t.Parent[static_cast<size_t>(r)];
    t.Child[static_cast<size_t>(r)] = {w, path[1]};
    t.Parent[static_cast<size_t>(w)] = r;
    t.Parent[static_cast<size_t>(path[1])] = r;
    for (size_t i = 1; i < k; ++i) {
        const int next = i + 1 < k ? path[i + 1] : z;
        t.Child[static_cast<size_t>(path[i])] = {others[i], next};
        t.Parent[static_cast<size_t>(next)] = path[i];
    }
    t.Parent[static_cast<size_t>(r)] = up;
}

const std::vector<TShape> Shapes = {
    {30, 4, 0.1, 0.15, false},   // few states, many characters: several blocks
    {30, 16, 0.1, 0.15, true},   // weights, some of them 0
    {12, 64, 0.2, 0.3, false},   // many states, many "?" and sets
    {150, 3, 0.05, 0.1, false},  // more than 64 Fitch characters of one kind
    {3, 256, 0.1, 0.2, false},   // the most states a character takes
};
}  // namespace

TEST(ReversibleScoring, FullLengthIsSankoffOnEveryCriterion)
{
    for (size_t shape = 0; shape < Shapes.size(); ++shape)
        for (std::uint64_t seed = 1; seed <= 12; ++seed) {
            std::mt19937_64 rng(seed * 7919 + shape);
            const int objects = Draw(rng, 2, shape == 4 ? 12 : 40);
            const auto characters = RandomCharacters(rng, objects, Shapes[shape]);
            const TResult<TReversibleField> field = TReversibleField::Make(characters, objects);
            ASSERT_TRUE(field.Ok()) << field.Error().toStdString();
            TReversibleScorer scorer(*field);
            for (int tree = 0; tree < 3; ++tree) {
                const TTreeLinks links = LinksOf(RandomTree(rng, objects));
                const std::string where = "shape " + std::to_string(shape) + " seed " +
                                          std::to_string(seed) + " tree " + std::to_string(tree);
                const std::vector<std::int64_t> expected = ReferenceSteps(characters, links.View());
                const std::vector<std::int64_t> steps = scorer.CharacterSteps(links.View());
                for (int c = 1; c <= characters.Count(); ++c)  // weight 0: left out
                    ASSERT_EQ(steps[static_cast<size_t>(c)],
                              characters[c].Weight ? expected[static_cast<size_t>(c)] : 0)
                        << where << ", " << Describe(characters, c);
                ASSERT_EQ(scorer.DownPass(links.View()), ReferenceLength(characters, links.View()))
                    << where;
            }
        }
}

// Every SPR regraft of a few clips, and TBR rerootings of the clipped part,
// scored from the sets of both sides of the branch against a full pass.
TEST(ReversibleScoring, JoinCostsGiveTheMovedTreesLength)
{
    for (size_t shape = 0; shape < Shapes.size(); ++shape)
        for (std::uint64_t seed = 1; seed <= 8; ++seed) {
            std::mt19937_64 rng(seed * 104729 + shape);
            const int objects = Draw(rng, 2, 40);
            const auto characters = RandomCharacters(rng, objects, Shapes[shape]);
            const TResult<TReversibleField> field = TReversibleField::Make(characters, objects);
            ASSERT_TRUE(field.Ok()) << field.Error().toStdString();
            TReversibleScorer scorer(*field), fresh(*field);
            const TTreeLinks tree = LinksOf(RandomTree(rng, objects));
            for (int round = 0; round < 4; ++round) {
                int clip = Draw(rng, 0, 2 * objects - 2);
                if (clip == tree.Root) continue;
                const std::string where = "shape " + std::to_string(shape) + " seed " +
                                          std::to_string(seed) + " clip " + std::to_string(clip);
                scorer.DownPass(tree.View());
                const int q = tree.Parent[static_cast<size_t>(clip)];
                const int grand = tree.Parent[static_cast<size_t>(q)];
                TTreeLinks rest = tree;
                Prune(rest, clip);
                const std::int64_t restLength =
                    scorer.UpdatePath(rest.View(), grand >= 0 ? grand : rest.Root);
                ASSERT_EQ(restLength, fresh.DownPass(rest.View())) << where;
                scorer.UpPass(rest.View());
                TTreeLinks part = tree;
                part.Root = clip;
                scorer.UpPass(part.View());  // the clipped part's vertices only
                const std::int64_t partLength = scorer.LengthBelow(clip);

                // Rootings of the clipped part: its own root (SPR) and a few others.
                std::vector<int> rootings{clip};
                const std::vector<int> inside = VerticesBelow(tree, clip);
                for (int k = 0; k < 3 && inside.size() > 1; ++k)
                    rootings.push_back(inside[static_cast<size_t>(
                        Draw(rng, 1, static_cast<int>(inside.size()) - 1))]);
                for (int w : rootings) {
                    TTreeLinks moved = rest;
                    if (w != clip) Reroot(moved, clip, w);
                    const std::uint64_t* x = w == clip ? scorer.Down(clip) : scorer.Edge(w);
                    for (int v : VerticesBelow(rest, rest.Root)) {
                        TTreeLinks joined = moved;
                        JoinAbove(joined, v, clip, q);
                        const std::int64_t cost = scorer.JoinCost(x, v);
                        ASSERT_EQ(restLength + partLength + cost, fresh.DownPass(joined.View()))
                            << where << " rooted above " << w << " joined above " << v;
                        ASSERT_EQ(scorer.JoinCostBelow(x, v, cost + 1), cost) << where;
                        if (cost > 0) {
                            const std::int64_t cut = scorer.JoinCostBelow(x, v, cost);
                            ASSERT_TRUE(cut >= cost) << where;
                        }
                    }
                }
            }
        }
}

// Names, option words, and what the field refuses or reads wider.
TEST(ReversibleScoring, CriteriaAndFieldsTheScoringRefuses)
{
    const std::vector<std::pair<TCriterion, const char*>> names = {
        {TCriterion::Irreversible, "irreversible"},
        {TCriterion::StateTreeReversible, "state tree, reversible"},
        {TCriterion::Ordered, "ordered (Wagner)"},
        {TCriterion::Unordered, "unordered (Fitch)"}};
    for (const auto& [criterion, name] : names) {
        EXPECT_EQ(CriterionName(criterion).toStdString(), name);
        const TResult<TCriterion> back = ParseCriterion(CriterionOption(criterion));
        ASSERT_TRUE(back.Ok());
        EXPECT_EQ(*back, criterion);
    }
    for (const char* word : {"", "Unordered", "fitch", "additive ", "irrev"}) {
        const TResult<TCriterion> refused = ParseCriterion(QString::fromUtf8(word));
        ASSERT_FALSE(refused.Ok()) << word;
        EXPECT_EQ(refused.Error(),
                  QStringLiteral("Unknown criterion \"%1\": use irreversible, reversible, ordered "
                                 "or unordered.")
                      .arg(QString::fromUtf8(word)));
    }

    auto character = [](TCriterion criterion, int states, std::vector<int> parent,
                        std::vector<std::vector<int>> cells) {
        TReversibleCharacter ch;
        ch.Criterion = criterion;
        ch.StateCount = states;
        ch.Parent = std::move(parent);
        ch.Cells.Resize(static_cast<int>(cells.size()));
        for (size_t o = 0; o < cells.size(); ++o)
            for (int s : cells[o]) ch.Cells[static_cast<int>(o) + 1].Include(s);
        return ch;
    };
    const std::vector<std::vector<int>> three = {{0}, {1}, {2}};
    struct TRefusal {
        TReversibleCharacter Character;
        const char* Reason;
    };
    const std::vector<TRefusal> refusals = {
        {character(TCriterion::Irreversible, 3, {}, three),
         "Character 1 is irreversible: the reversible scoring takes unordered, ordered and "
         "reversible state tree characters only."},
        {character(TCriterion::Unordered, 257, {}, three),
         "Character 1 has 257 states; the reversible criteria take at most 256."},
        {character(TCriterion::Ordered, 2, {}, three),
         "Character 1 gives object 3 the state 2, but the character has 2 states."},
        {character(TCriterion::Unordered, 3, {}, {{0}, {1}}),
         "Character 1 has cells for 2 objects instead of 3."},
        {character(TCriterion::StateTreeReversible, 3, {-1, 0}, three),
         "The state tree of character 1 gives 2 parents for 3 states."},
        {character(TCriterion::StateTreeReversible, 3, {-1, 0, 3}, three),
         "The state tree of character 1 gives state 2 the parent 3, which is not another of "
         "its 3 states."},
        {character(TCriterion::StateTreeReversible, 3, {-1, -1, 0}, three),
         "The state tree of character 1 has 2 roots instead of one."},
        {character(TCriterion::StateTreeReversible, 3, {-1, 2, 1}, three),
         "The state tree of character 1 has a cycle."},
    };
    for (const TRefusal& r : refusals) {
        TNumbered<TReversibleCharacter> one;
        one.Append(r.Character);
        const TResult<TReversibleField> field = TReversibleField::Make(one, 3);
        ASSERT_FALSE(field.Ok()) << r.Reason;
        EXPECT_EQ(field.Error().toStdString(), r.Reason);
    }

    // Ordered {0,2} is read as the range 0..2, so it costs nothing beside two
    // objects in state 1; under unordered it costs one step.
    TNumbered<TReversibleCharacter> gap;
    gap.Append(character(TCriterion::Ordered, 3, {}, {{0, 2}, {1}, {1}}));
    gap.Append(character(TCriterion::Unordered, 3, {}, {{0, 2}, {1}, {1}}));
    const TResult<TReversibleField> field = TReversibleField::Make(gap, 3);
    ASSERT_TRUE(field.Ok()) << field.Error().toStdString();
    EXPECT_EQ(field->WidenedCells(), 1);
    const TTreeLinks links = LinksOf(MakeTreeFromLinks({2, 2, 1}, {0, 1}));
    TReversibleScorer scorer(*field);
    const std::vector<std::int64_t> steps = scorer.CharacterSteps(links.View());
    EXPECT_EQ(steps, (std::vector<std::int64_t>{0, 0, 1}));
    EXPECT_EQ(ReferenceSteps(gap, links.View()), steps);
}
