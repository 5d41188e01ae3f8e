// The bit-parallel reversible scoring against Sankoff's dynamic programming,
// and its move costs against full evaluations of the moved trees.
#include <gtest/gtest.h>

#include <random>

#include "parsimony/length/Criterion.h"
#include "parsimony/length/ReferenceSankoff.h"
#include "parsimony/length/ReversibleField.h"
#include "tests/parsimony/ReversibleSupport.h"
#include "tests/parsimony/TreeTestSupport.h"

namespace {
std::string Describe(const TNumbered<TReversibleCharacter>& characters, int c)
{
    const TReversibleCharacter& ch = characters[c];
    std::string text = "character " + std::to_string(c) + " (" +
                       CriterionName(ch.Criterion).toStdString() + ", " +
                       std::to_string(ch.StateCount) + " states)";
    return text;
}

const std::vector<TReversibleShape> Shapes = {
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
            const int objects = RandomBetween(rng, 2, shape == 4 ? 12 : 40);
            const auto characters = RandomReversibleCharacters(rng, objects, Shapes[shape]);
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
            const int objects = RandomBetween(rng, 2, 40);
            const auto characters = RandomReversibleCharacters(rng, objects, Shapes[shape]);
            const TResult<TReversibleField> field = TReversibleField::Make(characters, objects);
            ASSERT_TRUE(field.Ok()) << field.Error().toStdString();
            TReversibleScorer scorer(*field), fresh(*field);
            const TTreeLinks tree = LinksOf(RandomTree(rng, objects));
            for (int round = 0; round < 4; ++round) {
                int clip = RandomBetween(rng, 0, 2 * objects - 2);
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
                        RandomBetween(rng, 1, static_cast<int>(inside.size()) - 1))]);
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
