// Criteria per character from a file to a length: random characters written
// as NEXUS (unord, ord and CSTREE types, sets as (01) and {01}), read back
// and scored, against Sankoff on the characters themselves; and what the
// coding refuses.
#include <gtest/gtest.h>

#include <random>

#include "data/ImportSource.h"
#include "data/NexusReader.h"
#include "data/Path.h"
#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/length/ReferenceSankoff.h"
#include "tests/parsimony/ReversibleSupport.h"
#include "tests/parsimony/TreeTestSupport.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }
QT_END_NAMESPACE

namespace {
const QString Symbols = QStringLiteral("0123456789");

QString StateTreeText(const std::vector<int>& parent, int s)
{
    QStringList kids;
    for (size_t k = 0; k < parent.size(); ++k)
        if (parent[k] == s) kids << StateTreeText(parent, static_cast<int>(k));
    const QString name(Symbols.at(s));
    return kids.isEmpty() ? name : QLatin1Char('(') + kids.join(',') + QLatin1Char(')') + name;
}

QString NexusOf(const TNumbered<TReversibleCharacter>& characters, int objects,
                std::mt19937_64& rng)
{
    QString text = QStringLiteral(
                       "#NEXUS\nbegin data; dimensions ntax=%1 nchar=%2;\n"
                       "format symbols=\"%3\";\nmatrix\n")
                       .arg(objects)
                       .arg(characters.Count())
                       .arg(Symbols);
    for (int o = 1; o <= objects; ++o) {
        text += QStringLiteral("t%1 ").arg(o);
        for (const TReversibleCharacter& ch : characters) {
            const TInclusion& cell = ch.Cells[o];
            if (cell.IsEmpty() || cell.Count() == ch.StateCount) {
                text += QLatin1Char('?');
                continue;
            }
            QString states;
            for (int s = 0; s < ch.StateCount; ++s)
                if (cell.Contains(s)) states += Symbols.at(s);
            text += states.size() == 1         ? states
                    : RandomBetween(rng, 0, 1) ? QLatin1Char('(') + states + QLatin1Char(')')
                                               : QLatin1Char('{') + states + QLatin1Char('}');
        }
        text += QLatin1Char('\n');
    }
    text += QStringLiteral(";\nend;\nbegin assumptions;\n");
    QStringList types;
    for (int c = 1; c <= characters.Count(); ++c) {
        const TReversibleCharacter& ch = characters[c];
        if (ch.Criterion == TCriterion::Unordered) {
            types << QStringLiteral("unord: %1").arg(c);
        } else if (ch.Criterion == TCriterion::Ordered) {
            types << QStringLiteral("ord: %1").arg(c);
        } else {
            const int root = static_cast<int>(std::find(ch.Parent.begin(), ch.Parent.end(), -1) -
                                              ch.Parent.begin());
            text += QStringLiteral("usertype tree%1 (cstree) = %2;\n")
                        .arg(c)
                        .arg(StateTreeText(ch.Parent, root));
            types << QStringLiteral("tree%1: %1").arg(c);
        }
    }
    text += QStringLiteral("typeset * mixed = %1;\nend;\n").arg(types.join(QStringLiteral(", ")));
    return text;
}
}  // namespace

TEST(Criteria, NexusTypesAndSetsScoreAsSankoffOnTheCharacters)
{
    int widened = 0;
    for (std::uint64_t seed = 1; seed <= 40; ++seed) {
        std::mt19937_64 rng(seed * 6151);
        const int objects = RandomBetween(rng, 10, 24);
        TReversibleShape shape{RandomBetween(rng, 1, 40), 8, 0.1, 0.2, false};
        TNumbered<TReversibleCharacter> characters =
            RandomReversibleCharacters(rng, objects, shape);
        // The file's state trees hold only states its cells name: every
        // state once alone, so that the reference's trees are the same.
        for (TReversibleCharacter& ch : characters)
            for (int s = 0; s < ch.StateCount; ++s) ch.Cells[s + 1] = TInclusion();
        for (TReversibleCharacter& ch : characters)
            for (int s = 0; s < ch.StateCount; ++s) ch.Cells[s + 1].Include(s);
        const QString text = NexusOf(characters, objects, rng);
        const TReadResult read = ReadNexusMatrixText(text);
        ASSERT_TRUE(read.Ok()) << read.Error().toStdString() << "\n" << text.toStdString();

        TNumbered<TReversibleCharacter> unordered = characters;
        for (TReversibleCharacter& ch : unordered) ch.Criterion = TCriterion::Unordered;
        for (const bool chosen : {false, true}) {
            const auto coding = CodeCriteria(
                read->Data, chosen ? std::optional(TCriterion::Unordered) : std::nullopt);
            ASSERT_TRUE(coding.Ok()) << coding.Error().toStdString() << "\n" << text.toStdString();
            ASSERT_EQ(coding->ReversibleCharacters.size(), static_cast<size_t>(characters.Count()));
            if (coding->Field) widened += coding->Field->WidenedCells();
            const TNumbered<TReversibleCharacter>& expected = chosen ? unordered : characters;
            TCriteriaScorer scorer(*coding);
            for (int k = 0; k < 3; ++k) {
                TTree tree = RandomTree(rng, objects);
                const TTreeLinks links = LinksOf(tree);
                const std::vector<std::int64_t> steps = ReferenceSteps(expected, links.View());
                const std::vector<double> ours = scorer.CharacterSteps(tree, true);
                for (int c = 1; c <= characters.Count(); ++c) {
                    const std::optional<std::int64_t> m = MinimumSteps(expected[c]);
                    if (m) {
                        ASSERT_LE(*m, steps[static_cast<size_t>(c)]) << "seed " << seed;
                    }
                    ASSERT_GE(BushSteps(expected[c]), steps[static_cast<size_t>(c)])
                        << "seed " << seed << " character " << c;
                }
                for (int c = 1; c <= characters.Count(); ++c)
                    ASSERT_EQ(ours[static_cast<size_t>(c)],
                              static_cast<double>(steps[static_cast<size_t>(c)]))
                        << "seed " << seed << " character " << c << " "
                        << CriterionName(expected[c].Criterion).toStdString() << "\n"
                        << text.toStdString();
                ASSERT_EQ(scorer.Length(tree, true),
                          static_cast<double>(ReferenceLength(expected, links.View())));
                // The length does not depend on the root.
                const int outgroup = RandomBetween(rng, 1, objects);
                TTree rooted = RootedAt(tree, outgroup);
                ASSERT_TRUE(IsConsistentTree(rooted, objects));
                const int root = rooted.Root();
                bool atRoot = false;
                for (int i = 1; i <= objects; ++i)
                    atRoot =
                        atRoot || (rooted.Tips[static_cast<size_t>(i)].Objects[0] == outgroup &&
                                   rooted.Tips[static_cast<size_t>(i)].Anc == root);
                ASSERT_TRUE(atRoot) << "seed " << seed;
                ASSERT_EQ(scorer.Length(rooted, true), scorer.Length(tree, true));
            }
        }
        // Camin-Sokal for all is today's length.
        const auto irreversible = CodeCriteria(read->Data, TCriterion::Irreversible);
        ASSERT_TRUE(irreversible.Ok());
        EXPECT_FALSE(irreversible->AnyReversible());
        const TSField field =
            BuildPathSets(read->Data.DataMatrix, objects, read->Data.CharacterCount);
        TCriteriaScorer scorer(*irreversible);
        TTree tree = RandomTree(rng, objects);
        const double length = scorer.Length(tree, true);
        EvaluateTree(tree, field, true);
        EXPECT_EQ(length, tree.Fitness);
    }
    EXPECT_GT(widened, 0) << "some sets should be read wider than written";
}

// Where the criteria come from, and what the coding refuses, with the words.
TEST(Criteria, SourcesAndRefusals)
{
    auto matrix = [](std::vector<std::vector<const char*>> columns) {
        TMatrixData data;
        data.CharacterCount = static_cast<int>(columns.size());
        data.ObjectCount = static_cast<int>(columns.front().size());
        data.DataMatrix.assign(columns.size() + 1, TPart(columns.front().size() + 1));
        for (int o = 1; o <= data.ObjectCount; ++o)
            data.DataMatrix[0][static_cast<size_t>(o)] = QStringLiteral("o%1").arg(o);
        for (size_t c = 0; c < columns.size(); ++c) {
            data.DataMatrix[c + 1][0] = QStringLiteral("ch%1").arg(c + 1);
            for (size_t o = 0; o < columns[c].size(); ++o)
                data.DataMatrix[c + 1][o + 1] = QString::fromUtf8(columns[c][o]);
        }
        return data;
    };
    // A text file: irreversible unless chosen.
    const TMatrixData text = matrix({{"a", "b[a]", "c[b]", "c"}, {"x", "y[x]", "z[x]", "?"}});
    const auto plain = CodeCriteria(text, std::nullopt);
    ASSERT_TRUE(plain.Ok());
    EXPECT_EQ(plain->Lines, QStringList({QStringLiteral("Criteria:"),
                                         QStringLiteral(" 2 characters irreversible: characters "
                                                        "1-2")}));
    const auto reversible = CodeCriteria(text, TCriterion::StateTreeReversible);
    ASSERT_TRUE(reversible.Ok());
    EXPECT_TRUE(reversible->Lines.contains(
        QStringLiteral(" Under the reversible criteria the length does not depend on the root.")));

    const std::vector<std::tuple<TMatrixData, TCriterion, QString>> refused = {
        {matrix({{"a", "b[a]", "c[b]"}, {"x", "y[x]", "z[x]"}}), TCriterion::Ordered,
         QStringLiteral("Character 2 (ch2): its states are not in a line (state x has 2 states "
                        "right below it), so it cannot be scored ordered; the reversible "
                        "criterion reads a branching state tree.")},
        {matrix({{"a", "b", "c[b]"}}), TCriterion::StateTreeReversible,
         QStringLiteral("Character 1 (ch1): its state tree has 2 roots, so it cannot be scored "
                        "state tree, reversible (the states must form one tree).")},
        {matrix({{"a[b]", "b[a]", "a"}}), TCriterion::Ordered,
         QStringLiteral("Character 1 (ch1): its state tree has a cycle, so it cannot be scored "
                        "ordered (Wagner).")},
    };
    for (const auto& [data, criterion, message] : refused) {
        const auto coding = CodeCriteria(data, criterion);
        ASSERT_FALSE(coding.Ok()) << message.toStdString();
        EXPECT_EQ(coding.Error(), message);
        EXPECT_TRUE(CodeCriteria(data, TCriterion::Unordered).Ok()) << message.toStdString();
    }

    // NEXUS: the types; a step matrix is refused unless one criterion is chosen.
    const TReadResult nexus = ReadNexusMatrixText(QStringLiteral(
        "#NEXUS\nbegin data; dimensions ntax=4 nchar=5; format symbols=\"012\" matchchar=.;\n"
        "matrix\na 0(01)000\nb 1.110\nc 22{12}21\nd 200?1\n;\nend;\nbegin assumptions;\n"
        "usertype sm (stepmatrix) = 2 0 1 0 1 1 0;\n"
        "typeset * t = ord: 1, irrev: 2, unord: 3, dollo: 4, sm: 5;\nend;\n"));
    ASSERT_TRUE(nexus.Ok()) << nexus.Error().toStdString();
    const TCharacterCriteria& given = nexus->Data.Criteria;
    EXPECT_EQ(given.ByCharacter,
              (std::vector<TCriterion>{TCriterion::Ordered, TCriterion::Irreversible,
                                       TCriterion::Unordered, TCriterion::Irreversible,
                                       TCriterion::Unordered}));
    ASSERT_NE(given.SetOf(2, 2), nullptr) << "the match character copies the set";
    EXPECT_EQ(*given.SetOf(2, 2), QStringList({QStringLiteral("0"), QStringLiteral("1")}));
    EXPECT_EQ(*given.SetOf(2, 1), *given.SetOf(2, 2));
    ASSERT_NE(given.SetOf(3, 3), nullptr);
    EXPECT_EQ(given.SetOf(2, 4), nullptr);
    EXPECT_EQ(CodeCriteria(nexus->Data, std::nullopt).Error(),
              QStringLiteral("Character 5 has the step matrix type \"sm\", which no criterion "
                             "here reads: give it another type in the file, or choose one "
                             "criterion for all characters (--criterion)."));
    EXPECT_TRUE(CodeCriteria(nexus->Data, TCriterion::Unordered).Ok());
    // The model keeps them; a cell edited loses its set, as it is no longer the file's.
    TModel model;
    model.AssignMatrix(nexus->Data, false);
    EXPECT_EQ(model.Data().Criteria.ByCharacter, given.ByCharacter);
    model.SetCell(2, 2, QStringLiteral("1"));
    EXPECT_EQ(model.Criteria.SetOf(2, 2), nullptr);
    EXPECT_NE(model.Criteria.SetOf(2, 1), nullptr);
    EXPECT_TRUE(nexus->Notes.contains(QStringLiteral(
        "NEXUS: under the reversible criteria the 3 polymorphic and uncertain cells of several "
        "states are read as those states (uncertainty, as TNT and PAUP* read them); irreversible "
        "characters read them as \"?\".")))
        << nexus->Notes.join('\n').toStdString();
}

// The fewest steps on any tree, worked by hand: the states (unordered) or
// the state tree's edges (ordered, state tree) that join the fewest states
// meeting every cell; and the steps on a bush, from its cheapest state.
TEST(Criteria, MinimumAndBushStepsByHand)
{
    struct TCase {
        TCriterion Criterion;
        int States;
        std::vector<int> Parent;
        std::vector<std::vector<int>> Cells;
        std::int64_t M, G;
    };
    const std::vector<TCase> cases = {
        {TCriterion::Unordered, 4, {}, {{0}, {1}, {3}, {}}, 2, 2},
        {TCriterion::Unordered, 4, {}, {{0}, {0, 1}, {1, 2}, {2, 3}}, 1, 2},  // {0, 2}
        {TCriterion::Ordered, 5, {}, {{0}, {4}, {2}}, 4, 4},
        {TCriterion::Ordered, 5, {}, {{1}, {0, 3}, {3, 4}}, 2, 2},  // widened {0..3}: 1 and 3
        {TCriterion::StateTreeReversible, 4, {-1, 0, 0, 0}, {{1}, {2}, {3}}, 3, 3},
        {TCriterion::StateTreeReversible, 4, {-1, 0, 0, 0}, {{1}, {1, 2}, {1, 3}}, 0, 0},
        {TCriterion::StateTreeReversible, 4, {-1, 0, 1, 1}, {{2}, {3}, {0, 2}}, 2, 2},
    };
    for (size_t k = 0; k < cases.size(); ++k) {
        const TCase& t = cases[k];
        TReversibleCharacter ch;
        ch.Criterion = t.Criterion;
        ch.StateCount = t.States;
        ch.Parent = t.Parent;
        ch.Cells.Resize(static_cast<int>(t.Cells.size()));
        for (size_t o = 0; o < t.Cells.size(); ++o)
            for (int s : t.Cells[o]) ch.Cells[static_cast<int>(o) + 1].Include(s);
        const std::optional<std::int64_t> m = MinimumSteps(ch);
        ASSERT_TRUE(m.has_value()) << "case " << k;
        EXPECT_EQ(*m, t.M) << "case " << k;
        EXPECT_EQ(BushSteps(ch), t.G) << "case " << k;
    }
}

// Cells of states joined by "&" (text files) and NEXUS gaps: which states a
// reversible character's cell holds, and what the protocol says of it.
TEST(Criteria, AmpersandCellsAndGapsAsAState)
{
    const QString gapped = QStringLiteral(
        "#NEXUS\nbegin data; dimensions ntax=4 nchar=2; format symbols=\"01\" gap=-;\n"
        "matrix\na 00\nb 1-\nc -1\nd 0?\n;\nend;\nbegin assumptions;\n"
        "typeset * t = unord: 1, ord: 2;\nend;\n");
    const QString text = QStringLiteral(
        "Taxon\tch1\tch2\no1\ta\tA\no2\tb[a]\tB[A]\no3\ta&b[a]\tC[A]\no4\t?&b[a]\tB[A]&C[A]\n");
    struct TCase {
        QString File;
        bool Nexus;
        std::optional<TCriterion> Chosen;
        TGapReading Gaps;
        int Character, Object;
        QStringList States;  // the cell's states; empty: "?"
        QString Line;        // a protocol line
    };
    const QString ampersand = QStringLiteral(
        " 3 of them name their states joined by \"&\"; irreversible characters read such a cell "
        "as one state.");
    auto gapLine = [](int n) {
        return QStringLiteral(
                   " %1 gap cells of unordered characters scored as one more state, \"-\" (gap "
                   "as a fifth state); gaps of other characters are missing data.")
            .arg(n);
    };
    const std::vector<TCase> cases{
        {text, false, TCriterion::Unordered, TGapReading::Missing, 1, 3, {"a", "b"}, ampersand},
        {text, false, TCriterion::Unordered, TGapReading::Missing, 1, 4, {"b"}, ampersand},
        {text,
         false,
         TCriterion::StateTreeReversible,
         TGapReading::Missing,
         2,
         4,
         {"B", "C"},
         QStringLiteral(" 3 polymorphic or uncertain cells read as sets of states (uncertainty: "
                        "the set's cheapest state counts, as TNT and PAUP* read them).")},
        {text,
         false,
         TCriterion::StateTreeReversible,
         TGapReading::Missing,
         1,
         3,
         {"a", "b"},
         ampersand},
        {gapped, true, std::nullopt, TGapReading::State, 1, 3, {"-"}, gapLine(1)},
        {gapped, true, TCriterion::Unordered, TGapReading::State, 2, 2, {"-"}, gapLine(2)},
        {gapped, true, std::nullopt, TGapReading::State, 2, 2, {}, gapLine(1)},  // ordered
        {gapped, true, std::nullopt, TGapReading::Missing, 1, 3, {}, QString()},
        {gapped, true, std::nullopt, TGapReading::Missing, 2, 4, {}, QString()},
    };
    for (const TCase& t : cases) {
        SCOPED_TRACE(testing::Message() << "character " << t.Character << " object " << t.Object
                                        << (t.Nexus ? " NEXUS" : " text"));
        const TReadResult read =
            t.Nexus ? ReadNexusMatrixText(t.File) : ReadTextMatrixBytes(t.File.toUtf8());
        ASSERT_TRUE(read.Ok()) << read.Error().toStdString();
        const auto coding = CodeCriteria(read->Data, t.Chosen, t.Gaps);
        ASSERT_TRUE(coding.Ok()) << coding.Error().toStdString();
        const auto at = std::find(coding->ReversibleCharacters.begin(),
                                  coding->ReversibleCharacters.end(), t.Character);
        ASSERT_NE(at, coding->ReversibleCharacters.end());
        const TReversibleCharacter& ch =
            coding->Reversible[static_cast<int>(at - coding->ReversibleCharacters.begin()) + 1];
        QStringList states;
        for (int s = 0; s < ch.StateCount; ++s)
            if (ch.Cells[t.Object].Contains(s)) states << ch.StateNames.at(s);
        EXPECT_EQ(states, t.States);
        if (t.Line.isEmpty())
            for (const QString& line : coding->Lines) EXPECT_FALSE(line.contains("gap"));
        else
            EXPECT_TRUE(coding->Lines.contains(t.Line)) << coding->Lines.join('\n').toStdString();
    }
    // Camin-Sokal keeps "a&b" as the one state it always was.
    const TReadResult read = ReadTextMatrixBytes(text.toUtf8());
    ASSERT_TRUE(read.Ok());
    const auto irreversible = CodeCriteria(read->Data, TCriterion::Irreversible);
    ASSERT_TRUE(irreversible.Ok());
    EXPECT_EQ(irreversible->CaminSokal.Places[1].StateNames,
              BuildPathSets(read->Data.DataMatrix, 4, 2).Places[1].StateNames);
    EXPECT_TRUE(irreversible->CaminSokal.Places[1].StateNames.contains(QStringLiteral("a&b")))
        << irreversible->CaminSokal.Places[1].StateNames.join(' ').toStdString();
    EXPECT_EQ(irreversible->SetCells, 0);
}
