// Names read from outside the matrix's own commands: DATA and CHARACTERS
// blocks without a matrix (Mesquite writes names and state labels so, before
// or after the matrix), kept apart and merged when they belong to it; a TAXA
// block after the matrix; CHARLABELS written one unquoted name a line.
#include <QRegularExpression>
#include <algorithm>

#include "data/NexusParser.h"

namespace {
bool Same(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }
}  // namespace

void TNexusMatrixParser::ReadLink(const TNexusCommand& c, QString* taxa, QString* characters)
{
    const TNexusTokens& t = c.Tokens;
    for (size_t i = 0; i + 2 < t.size(); ++i) {
        if (!t[i + 1].IsPunct('=')) continue;
        if (t[i].Is("TAXA") && taxa) *taxa = t[i + 2].Name();
        if (t[i].Is("CHARACTERS") && characters) *characters = t[i + 2].Name();
    }
}

void TNexusMatrixParser::BeginLabels(int line)
{
    SavedNames = std::move(M.CharacterNames);
    SavedStateLabels = std::move(M.StateLabels);
    SavedTypes = std::move(M.Types);
    SavedNChar = NChar;
    M.CharacterNames.clear();
    M.StateLabels.clear();
    M.Types.clear();
    Labels = TLabelBlock();
    Labels.Line = line;
    LabelsOnly = true;
}

void TNexusMatrixParser::EndLabels(bool keep)
{
    Labels.NChar = NChar;
    Labels.Names = std::move(M.CharacterNames);
    Labels.StateLabels = std::move(M.StateLabels);
    M.CharacterNames = std::move(SavedNames);
    M.StateLabels = std::move(SavedStateLabels);
    M.Types = std::move(SavedTypes);
    NChar = SavedNChar;
    LabelsOnly = false;
    if (keep && !Labels.Names.isEmpty()) LabelBlocks.push_back(std::move(Labels));
}

bool TNexusMatrixParser::LabelCommand(const TNexusCommand& c)
{
    bool ok = true;
    if (c.Name == QLatin1String("TITLE")) {
        if (!c.Tokens.empty()) Labels.Title = c.Tokens[0].Name();
    } else if (c.Name == QLatin1String("LINK")) {
        ReadLink(c, &Labels.LinkTaxa, &Labels.LinkCharacters);
    } else if (c.Name == QLatin1String("DIMENSIONS")) {
        const TNexusTokens& t = c.Tokens;
        for (size_t i = 0; i + 2 < t.size() && ok; ++i) {
            if (!t[i].Is("NCHAR") || !t[i + 1].IsPunct('=')) continue;
            const int value = t[i + 2].Text.toInt(&ok);
            if (!ok || value < 1 || value > MaxNexusDimension)
                ok = Fail(t[i].Line, QStringLiteral("NCHAR needs a whole number."));
            else
                NChar = value;
        }
    } else if (c.Name == QLatin1String("CHARLABELS") ||
               c.Name == QLatin1String("CHARSTATELABELS") ||
               c.Name == QLatin1String("STATELABELS")) {
        ok = CharactersCommand(c);
    }
    // FORMAT and the like would change how the matrix is read: not taken.
    if (ok) return true;
    M.Notes << QStringLiteral(
                   "WARNING: the %1 block on line %2 holds no matrix, and its labels are not "
                   "read: %3")
                   .arg(Block_)
                   .arg(Labels.Line)
                   .arg(Error);
    Error.clear();
    EndLabels(false);
    const bool skipped = Lexer.SkipBlock(Block_, Labels.Line);
    Block_.clear();
    return skipped;
}

void TNexusMatrixParser::MergeLabels()
{
    const QString matrixTaxa = MatrixLinkTaxa.isEmpty() ? TaxaTitle : MatrixLinkTaxa;
    for (const TLabelBlock& b : LabelBlocks) {
        QString why;
        if (b.NChar != NChar)
            why = QStringLiteral("it is for NCHAR=%1, the matrix has %2 characters")
                      .arg(b.NChar)
                      .arg(NChar);
        else if (!b.LinkCharacters.isEmpty() && !Same(b.LinkCharacters, MatrixTitle))
            why = QStringLiteral("it links to the characters \"%1\"").arg(b.LinkCharacters);
        else if (!b.LinkTaxa.isEmpty() && !matrixTaxa.isEmpty() && !Same(b.LinkTaxa, matrixTaxa))
            why = QStringLiteral("it links to the taxa \"%1\"").arg(b.LinkTaxa);
        if (!why.isEmpty()) {
            M.Notes << QStringLiteral(
                           "WARNING: line %1: the labels of this block without a matrix are not "
                           "used: %2.")
                           .arg(b.Line)
                           .arg(why);
            continue;
        }
        // The matrix's own labels come first; the block fills in the rest.
        std::vector<int> taken;
        for (int k = 0; k < NChar && k < b.Names.size(); ++k) {
            bool any = false;
            if (M.CharacterNames[k].isEmpty() && !b.Names[k].isEmpty()) {
                M.CharacterNames[k] = b.Names[k];
                any = true;
            }
            const size_t s = static_cast<size_t>(k);
            if (s < b.StateLabels.size() && M.StateLabels[s].isEmpty() &&
                !b.StateLabels[s].isEmpty()) {
                M.StateLabels[s] = b.StateLabels[s];
                any = true;
            }
            if (any) taken.push_back(k + 1);
        }
        if (!taken.empty())
            M.Notes << QStringLiteral(
                           "NEXUS: character names and state labels from the block without a "
                           "matrix on line %1: characters %2.")
                           .arg(b.Line)
                           .arg(NumberRanges(taken));
    }
}

bool TNexusMatrixParser::CharLabels(const TNexusCommand& c)
{
    if (!EnsureCharacters(c.Line)) return false;
    const TNexusTokens& t = c.Tokens;
    QStringList names;
    for (const TNexusToken& token : t) names << token.Name();
    // Some files write one name a line, unquoted, blanks and all: more
    // words than characters on exactly as many lines are one name a line.
    if (names.size() > NChar) {
        std::vector<std::pair<size_t, size_t>> lines;  // first and last token
        for (size_t i = 0; i < t.size(); ++i) {
            if (lines.empty() || t[i].Line != t[lines.back().first].Line) lines.push_back({i, i});
            lines.back().second = i;
        }
        if (static_cast<int>(lines.size()) == NChar) {
            names.clear();
            static const QRegularExpression comment(QStringLiteral("\\[[^\\]]*\\]"));
            for (const auto& [first, last] : lines)
                names << (first == last ? t[first].Name()
                                        : Lexer.Source()
                                              .mid(t[first].Start, t[last].End - t[first].Start)
                                              .remove(comment)
                                              .simplified());
            M.Notes << QStringLiteral(
                           "WARNING: line %1: CHARLABELS gives %2 words for NCHAR=%3 on as many "
                           "lines as characters: each line read as one name.")
                           .arg(c.Line)
                           .arg(t.size())
                           .arg(NChar);
        }
    }
    for (qsizetype i = 0; i < names.size() && i < NChar; ++i) M.CharacterNames[i] = names[i];
    return true;
}

void TNexusMatrixParser::LateTaxaCommand(const TNexusCommand& c)
{
    // The taxa are the matrix's by now: a TAXA block that agrees is read
    // quietly (it may set their order), one that does not is named.
    if (c.Name == QLatin1String("DIMENSIONS")) {
        const TNexusTokens& t = c.Tokens;
        for (size_t i = 0; i + 2 < t.size(); ++i)
            if (t[i].Is("NTAX") && t[i + 1].IsPunct('=') && t[i + 2].Text.toInt() != M.Taxa.size())
                M.Notes << QStringLiteral(
                               "WARNING: line %1: the TAXA block after the matrix gives NTAX=%2, "
                               "but the matrix has %3 taxa; the matrix's taxa are kept.")
                               .arg(c.Line)
                               .arg(t[i + 2].Text)
                               .arg(M.Taxa.size());
        return;
    }
    QStringList names;
    for (const TNexusToken& t : c.Tokens) names << t.Name();
    if (names == M.Taxa) return;
    QStringList sortedNames = names, sortedTaxa = M.Taxa;
    sortedNames.sort();
    sortedTaxa.sort();
    if (sortedNames == sortedTaxa && !sortedNames.isEmpty() &&
        std::adjacent_find(sortedNames.cbegin(), sortedNames.cend()) == sortedNames.cend()) {
        std::vector<std::vector<int>> cells;
        for (const QString& name : names)
            cells.push_back(std::move(M.Cells[static_cast<size_t>(M.Taxa.indexOf(name))]));
        M.Cells = std::move(cells);
        QMap<QPair<int, int>, std::vector<int>> sets;
        for (auto it = M.CellSets.cbegin(); it != M.CellSets.cend(); ++it)
            sets.insert(
                qMakePair(static_cast<int>(names.indexOf(M.Taxa[it.key().first])), it.key().second),
                it.value());
        M.CellSets = std::move(sets);
        M.Taxa = names;
        M.Notes
            << QStringLiteral("NEXUS: line %1: taxa in the order of the TAXA block.").arg(c.Line);
        return;
    }
    QString first;
    for (const QString& name : names)
        if (!M.Taxa.contains(name)) {
            first = QStringLiteral("\"%1\" is not in the matrix").arg(name);
            break;
        }
    if (first.isEmpty())
        for (const QString& name : M.Taxa)
            if (!names.contains(name)) {
                first = QStringLiteral("it lacks \"%1\"").arg(name);
                break;
            }
    if (first.isEmpty()) first = QStringLiteral("it names a taxon twice");
    M.Notes << QStringLiteral(
                   "WARNING: line %1: TAXLABELS after the matrix does not agree with it (%2); the "
                   "matrix's taxa are kept.")
                   .arg(c.Line)
                   .arg(first);
}
