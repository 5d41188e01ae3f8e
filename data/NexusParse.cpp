// Reading the blocks of a NEXUS file that describe a character matrix.
#include <QRegularExpression>
#include <algorithm>

#include "data/NexusParser.h"

TStatus TNexusMatrixParser::Parse()
{
    if (TStatus header = Lexer.ReadHeader(); !header) return header;
    TNexusCommand c;
    while (Lexer.NextCommand(c)) {
        if (c.Name == QLatin1String("BEGIN")) {
            if (LabelsOnly) EndLabels(true);  // its END is missing
            if (!Block(c)) break;
        } else if (c.Name == QLatin1String("END") || c.Name == QLatin1String("ENDBLOCK")) {
            if (LabelsOnly) EndLabels(true);
            Block_.clear();
        } else if (LabelsOnly) {
            if (!LabelCommand(c)) break;
        } else if (MatrixRead && Block_ == QLatin1String("TAXA") &&
                   (c.Name == QLatin1String("DIMENSIONS") ||
                    c.Name == QLatin1String("TAXLABELS"))) {
            LateTaxaCommand(c);
        } else if (MatrixRead &&
                   (c.Name == QLatin1String("DIMENSIONS") || c.Name == QLatin1String("FORMAT") ||
                    c.Name == QLatin1String("TAXLABELS")) &&
                   (Block_ == QLatin1String("TAXA") || Block_ == QLatin1String("DATA") ||
                    Block_ == QLatin1String("CHARACTERS"))) {
            // The cells are read by now: new taxa, sizes or symbols would not fit them.
            M.Notes << QStringLiteral("WARNING: line %1: %2 after the matrix is ignored.")
                           .arg(c.Line)
                           .arg(c.Name);
        } else if (Block_ == QLatin1String("TAXA")) {
            if (!TaxaCommand(c)) break;
        } else if (Block_ == QLatin1String("DATA") || Block_ == QLatin1String("CHARACTERS")) {
            if (!CharactersCommand(c)) break;
        } else if (!Block_.isEmpty()) {
            if (!AssumptionsCommand(c)) break;
        }
    }
    if (LabelsOnly) EndLabels(false);
    if (Error.isEmpty()) Error = Lexer.Status().Error();
    if (Error.isEmpty() && !MatrixRead)
        Error = QStringLiteral(
            "the file holds no character matrix (no DATA or CHARACTERS block with a MATRIX).");
    if (!Error.isEmpty()) return TFailure(Error);
    MergeLabels();
    if (!Skipped.isEmpty())
        M.Notes << QStringLiteral("WARNING: blocks skipped (not read by this program): %1.")
                       .arg(Skipped.join(QStringLiteral(", ")));
    if (!AddedSymbols.isEmpty()) {
        QString added;
        for (QChar ch : M.Symbols)
            if (AddedSymbols.contains(ch)) added += ch;
        M.Notes
            << QStringLiteral(
                   "WARNING: the matrix uses symbols missing from SYMBOLS, added after them: %1.")
                   .arg(added);
    }
    if (Gaps > 0)
        M.Notes << QStringLiteral("WARNING: %1 gap cells (\"%2\") read as missing \"?\".")
                       .arg(Gaps)
                       .arg(Gap);
    if (Polymorphic > 0)
        M.Notes << QStringLiteral("WARNING: %1 polymorphic cells, as (01), read as missing \"?\".")
                       .arg(Polymorphic);
    if (Uncertain > 0)
        M.Notes << QStringLiteral(
                       "WARNING: %1 uncertain cells, as {01} or ambiguity codes, read as missing "
                       "\"?\".")
                       .arg(Uncertain);
    return {};
}

bool TNexusMatrixParser::Block(const TNexusCommand& begin)
{
    if (begin.Tokens.empty())
        return Fail(begin.Line, QStringLiteral("BEGIN needs the name of a block."));
    const QString name = begin.Tokens.front().Text.toUpper();
    static const QStringList known = {QStringLiteral("TAXA"),       QStringLiteral("DATA"),
                                      QStringLiteral("CHARACTERS"), QStringLiteral("ASSUMPTIONS"),
                                      QStringLiteral("SETS"),       QStringLiteral("PAUP")};
    const bool matrixBlock = name == QLatin1String("DATA") || name == QLatin1String("CHARACTERS");
    if (matrixBlock && !Lexer.BlockHolds("MATRIX")) {
        Block_ = name;
        BeginLabels(begin.Line);
        return true;
    }
    if (matrixBlock && MatrixRead) {
        M.Notes << QStringLiteral(
                       "WARNING: line %1: only the first character matrix is read; this %2 block "
                       "is skipped.")
                       .arg(begin.Line)
                       .arg(name);
        if (!Lexer.SkipBlock(name, begin.Line)) return false;
        return true;
    }
    if (!known.contains(name)) {
        // Trees are read by the tree commands; they are no loss here.
        if (name != QLatin1String("TREES") && !Skipped.contains(name)) Skipped << name;
        return Lexer.SkipBlock(name, begin.Line);
    }
    Block_ = name;
    if (matrixBlock) {
        Interleave = false;
        M.Symbols = QStringLiteral("01");
    }
    return true;
}

bool TNexusMatrixParser::TaxaCommand(const TNexusCommand& c)
{
    if (c.Name == QLatin1String("DIMENSIONS")) return Dimensions(c);
    if (c.Name == QLatin1String("TITLE") && !c.Tokens.empty()) TaxaTitle = c.Tokens[0].Name();
    if (c.Name == QLatin1String("TAXLABELS")) {
        M.Taxa.clear();
        for (const TNexusToken& t : c.Tokens) M.Taxa << t.Name();
        TaxaFromBlock = true;
        if (NTax > 0 && M.Taxa.size() != NTax)
            return Fail(
                c.Line,
                QStringLiteral("TAXLABELS names %1 taxa, NTAX=%2.").arg(M.Taxa.size()).arg(NTax));
        NTax = static_cast<int>(M.Taxa.size());
    }
    return true;
}

bool TNexusMatrixParser::Dimensions(const TNexusCommand& c)
{
    const TNexusTokens& t = c.Tokens;
    for (size_t i = 0; i + 2 < t.size(); ++i) {
        if (!t[i + 1].IsPunct('=')) continue;
        bool ok = false;
        const int value = t[i + 2].Text.toInt(&ok);
        if (!ok || value < 0)
            return Fail(t[i].Line,
                        QStringLiteral("%1 needs a whole number.").arg(t[i].Text.toUpper()));
        if (value > MaxNexusDimension)
            return Fail(
                t[i].Line,
                QStringLiteral("%1=%2 is too large to load.").arg(t[i].Text.toUpper()).arg(value));
        if (t[i].Is("NTAX")) {
            if (TaxaFromBlock && value != NTax && Block_ == QLatin1String("TAXA"))
                return Fail(
                    t[i].Line,
                    QStringLiteral("NTAX=%1, but TAXLABELS names %2 taxa.").arg(value).arg(NTax));
            NTax = value;
        } else if (t[i].Is("NCHAR")) {
            NChar = value;
        }
    }
    return true;
}

bool TNexusMatrixParser::EnsureCharacters(int line)
{
    if (NChar <= 0)
        return Fail(line, QStringLiteral(
                              "the number of characters (DIMENSIONS NCHAR=...) must come first."));
    if (static_cast<int>(M.CharacterNames.size()) != NChar) {
        M.CharacterNames = QStringList(NChar, QString());
        M.StateLabels.assign(static_cast<size_t>(NChar), QStringList());
        M.Types.assign(static_cast<size_t>(NChar), QString());
    }
    return true;
}

bool TNexusMatrixParser::Format(const TNexusCommand& c)
{
    const TNexusTokens& t = c.Tokens;
    for (size_t i = 0; i < t.size(); ++i) {
        const bool hasValue = i + 1 < t.size() && t[i + 1].IsPunct('=');
        const QString value = hasValue && i + 2 < t.size() ? t[i + 2].Text : QString();
        const int line = t[i].Line;
        if (hasValue && i + 2 >= t.size())
            return Fail(line, QStringLiteral("%1= needs a value.").arg(t[i].Text));
        FormatLine = c.Line;
        if (t[i].Is("DATATYPE")) {
            const QString type = value.toUpper();
            DataType = type;
            if (type == QLatin1String("STANDARD")) {
                M.Symbols = QStringLiteral("01");
            } else if (type == QLatin1String("DNA") || type == QLatin1String("NUCLEOTIDE") ||
                       type == QLatin1String("RNA")) {
                M.Symbols =
                    type == QLatin1String("RNA") ? QStringLiteral("ACGU") : QStringLiteral("ACGT");
                for (QChar ch : QStringLiteral("RYKMSWBDHVN")) Ambiguity.insert(ch);
            } else if (type == QLatin1String("PROTEIN")) {
                M.Symbols = QStringLiteral("ACDEFGHIKLMNPQRSTVWY*");
                for (QChar ch : QStringLiteral("BZX")) Ambiguity.insert(ch);
            } else {
                return Fail(
                    line, QStringLiteral(
                              "DATATYPE=%1 cannot be read; this program reads STANDARD, DNA, RNA, "
                              "NUCLEOTIDE and PROTEIN characters.")
                              .arg(value));
            }
        } else if (t[i].Is("SYMBOLS")) {
            QString symbols = value;
            symbols.remove(QRegularExpression(QStringLiteral("\\s")));
            // A control character cannot be written back as a symbol.
            for (QChar ch : symbols)
                if (!ch.isPrint())
                    return Fail(line, QStringLiteral("SYMBOLS= holds a control character (code "
                                                     "%1); a state symbol must be visible.")
                                          .arg(ch.unicode()));
            DeclaredSymbols = symbols;
            SymbolsGiven = true;
            // Standard data name their own symbols; molecular ones add to theirs.
            if (M.Symbols == QLatin1String("01")) M.Symbols.clear();
            for (QChar ch : symbols)
                if (!M.Symbols.contains(ch)) M.Symbols += ch;
        } else if (t[i].Is("MISSING") || t[i].Is("GAP") || t[i].Is("MATCHCHAR")) {
            if (value.size() != 1)
                return Fail(line,
                            QStringLiteral("%1= needs one character.").arg(t[i].Text.toUpper()));
            (t[i].Is("MISSING") ? Missing : t[i].Is("GAP") ? Gap : Match) = value.at(0);
            if (t[i].Is("GAP")) GapGiven = true;
        } else if (t[i].Is("INTERLEAVE")) {
            Interleave = !hasValue || !value.startsWith(QLatin1Char('n'), Qt::CaseInsensitive);
        } else if (t[i].Is("RESPECTCASE")) {
            RespectCase = true;
        } else if (t[i].Is("TRANSPOSE")) {
            return Fail(line,
                        QStringLiteral("transposed matrices (FORMAT TRANSPOSE) cannot be read."));
        } else if (t[i].Is("TOKENS")) {
            return Fail(line, QStringLiteral("matrices of tokens (FORMAT TOKENS) cannot be read; "
                                             "write one symbol per cell."));
        } else if (t[i].Is("EQUATE")) {
            M.Notes
                << QStringLiteral(
                       "WARNING: line %1: EQUATE is not read; equated symbols are unknown symbols.")
                       .arg(line);
        }
        if (hasValue) i += 2;
    }
    return true;
}

int TNexusMatrixParser::CharacterNumber(const TNexusToken& token, const QString& command)
{
    bool ok = false;
    const int number = token.Text.toInt(&ok);
    if (ok && number >= 1 && number <= NChar) return number;
    Fail(token.Line, QStringLiteral("%1: \"%2\" is no character number from 1 to %3.")
                         .arg(command, token.Text, QString::number(NChar)));
    return 0;
}

bool TNexusMatrixParser::CharStateLabels(const TNexusCommand& c)
{
    if (!EnsureCharacters(c.Line)) return false;
    const TNexusTokens& t = c.Tokens;
    size_t i = 0;
    while (i < t.size()) {
        const int number = CharacterNumber(t[i], QStringLiteral("CHARSTATELABELS"));
        if (number == 0) return false;
        ++i;
        if (i < t.size() && !t[i].IsPunct('/') && !t[i].IsPunct(','))
            M.CharacterNames[number - 1] = t[i++].Name();
        if (i < t.size() && t[i].IsPunct('/')) {
            ++i;
            QStringList labels;
            while (i < t.size() && !t[i].IsPunct(',')) labels << t[i++].Name();
            M.StateLabels[static_cast<size_t>(number - 1)] = labels;
        }
        if (i < t.size() && !t[i].IsPunct(','))
            return Fail(
                t[i].Line,
                QStringLiteral("CHARSTATELABELS: expected \",\" after character %1, found \"%2\".")
                    .arg(number)
                    .arg(t[i].Text));
        ++i;
    }
    return true;
}

bool TNexusMatrixParser::StateLabels(const TNexusCommand& c)
{
    if (!EnsureCharacters(c.Line)) return false;
    const TNexusTokens& t = c.Tokens;
    size_t i = 0;
    while (i < t.size()) {
        const int number = CharacterNumber(t[i], QStringLiteral("STATELABELS"));
        if (number == 0) return false;
        QStringList labels;
        for (++i; i < t.size() && !t[i].IsPunct(','); ++i) labels << t[i].Name();
        M.StateLabels[static_cast<size_t>(number - 1)] = labels;
        ++i;
    }
    return true;
}

bool TNexusMatrixParser::CharactersCommand(const TNexusCommand& c)
{
    if (c.Name == QLatin1String("DIMENSIONS")) return Dimensions(c);
    if (c.Name == QLatin1String("FORMAT")) return Format(c);
    if (c.Name == QLatin1String("TAXLABELS")) return TaxaCommand(c);
    if (c.Name == QLatin1String("CHARSTATELABELS")) return CharStateLabels(c);
    if (c.Name == QLatin1String("STATELABELS")) return StateLabels(c);
    if (c.Name == QLatin1String("CHARLABELS")) return CharLabels(c);
    if (c.Name == QLatin1String("TITLE") && !c.Tokens.empty()) MatrixTitle = c.Tokens[0].Name();
    if (c.Name == QLatin1String("LINK")) ReadLink(c, &MatrixLinkTaxa, nullptr);
    if (c.Name == QLatin1String("MATRIX")) return Matrix(c);
    return true;
}

int TNexusMatrixParser::CellOf(QChar ch, int line, int column, int taxon, bool* ok)
{
    *ok = true;
    if (ch == Missing) return NexusMissing;
    // GAP has no default in NEXUS; "-" is a gap unless SYMBOLS names it.
    if (ch == Gap && (GapGiven || !M.Symbols.contains(ch))) return NexusGap;
    if (!Match.isNull() && ch == Match) {
        if (taxon == 0 || column >= static_cast<int>(M.Cells[0].size())) {
            *ok = Fail(
                line,
                QStringLiteral("the match character \"%1\" needs the first taxon's state above it.")
                    .arg(ch));
            return 0;
        }
        return M.Cells[0][static_cast<size_t>(column)];
    }
    qsizetype k = M.Symbols.indexOf(ch);
    if (k < 0 && !RespectCase) k = M.Symbols.indexOf(ch, 0, Qt::CaseInsensitive);
    if (k >= 0) return static_cast<int>(k);
    if (Ambiguity.contains(ch.toUpper())) return NexusUncertain;
    if (ch.isLetterOrNumber()) {
        AddedSymbols.insert(ch);
        M.Symbols += ch;
        return static_cast<int>(M.Symbols.size() - 1);
    }
    *ok = Fail(line, UnknownSymbol(ch));
    return 0;
}

QString TNexusMatrixParser::UnknownSymbol(QChar ch) const
{
    const QString symbols =
        SymbolsGiven ? QStringLiteral("SYMBOLS=\"%1\"").arg(DeclaredSymbols)
        : !DataType.isEmpty() && DataType != QLatin1String("STANDARD")
            ? QStringLiteral("DATATYPE=%1 reads \"%2\"").arg(DataType, M.Symbols)
            : QStringLiteral("the file declares no SYMBOLS; the symbols read are \"%1\"")
                  .arg(M.Symbols);
    // A sign the reader would take by default, but which the file gave another meaning.
    const bool gap = ch == QLatin1Char('-') && GapGiven;
    const bool missing = ch == QLatin1Char('?') && Missing != QLatin1Char('?');
    if (gap || missing)
        return QStringLiteral(
                   "\"%1\" is not read as %2: the file declares %3=%4 (FORMAT, line %5), so only "
                   "\"%4\" marks %2, and \"%1\" is no state symbol (%6).")
            .arg(ch)
            .arg(gap ? QStringLiteral("a gap") : QStringLiteral("missing data"))
            .arg(gap ? QStringLiteral("GAP") : QStringLiteral("MISSING"))
            .arg(gap ? Gap : Missing)
            .arg(FormatLine)
            .arg(symbols);
    return QStringLiteral("\"%1\" is not a state symbol (%2).").arg(ch).arg(symbols);
}

bool TNexusMatrixParser::IsCellText(const TNexusToken& token) const
{
    if (token.IsPunct('(') || token.IsPunct('{')) return true;
    if (token.Kind != TNexusToken::Word) return false;
    for (QChar ch : token.Text)
        if (ch != Missing && ch != Gap && ch != Match &&
            !M.Symbols.contains(ch, RespectCase ? Qt::CaseSensitive : Qt::CaseInsensitive) &&
            !Ambiguity.contains(ch.toUpper()))
            return false;
    return true;
}

void TNexusMatrixParser::CountCell(int cell, size_t column)
{
    if (cell == NexusGap) ++Gaps;
    std::vector<int>* perCharacter = cell == NexusPolymorphic ? &M.PolymorphicCells
                                     : cell == NexusUncertain ? &M.UncertainCells
                                                              : nullptr;
    if (!perCharacter) return;
    ++(cell == NexusPolymorphic ? Polymorphic : Uncertain);
    if (column < perCharacter->size()) ++(*perCharacter)[column];
}

bool TNexusMatrixParser::ReadCell(const TNexusTokens& t, size_t& i, std::vector<int>& row,
                                  int taxon)
{
    const TNexusToken& token = t[i];
    if (token.Kind == TNexusToken::Word) {
        for (QChar ch : token.Text) {
            bool ok = true;
            const int cell = CellOf(ch, token.Line, static_cast<int>(row.size()), taxon, &ok);
            if (!ok) return false;
            if (ch == Match && taxon > 0) {  // the first taxon's set too
                const auto set = M.CellSets.constFind(qMakePair(0, static_cast<int>(row.size())));
                if (set != M.CellSets.constEnd())
                    M.CellSets.insert(qMakePair(taxon, static_cast<int>(row.size())), set.value());
            }
            CountCell(cell, row.size());
            row.push_back(cell);
        }
        ++i;
        return true;
    }
    if (token.IsPunct('(') || token.IsPunct('{')) {
        const char close = token.IsPunct('(') ? ')' : '}';
        QSet<int> states;
        bool anyMissing = false;
        for (++i; i < t.size() && !t[i].IsPunct(close); ++i) {
            if (t[i].IsPunct(',') || t[i].IsPunct('/')) continue;
            if (t[i].Kind != TNexusToken::Word)
                return Fail(t[i].Line, QStringLiteral("unexpected \"%1\" inside \"%2...%3\".")
                                           .arg(t[i].Text)
                                           .arg(token.Text)
                                           .arg(QLatin1Char(close)));
            for (QChar ch : t[i].Text) {
                bool ok = true;
                const int cell = CellOf(ch, t[i].Line, static_cast<int>(row.size()), taxon, &ok);
                if (!ok) return false;
                if (cell >= 0)
                    states.insert(cell);
                else
                    anyMissing = true;
            }
        }
        if (i >= t.size())
            return Fail(token.Line, QStringLiteral("\"%1\" is never closed by \"%2\".")
                                        .arg(token.Text)
                                        .arg(QLatin1Char(close)));
        ++i;
        const int cell = states.size() == 1 && !anyMissing ? *states.begin()
                         : close == ')'                    ? NexusPolymorphic
                                                           : NexusUncertain;
        if (cell < 0 && !anyMissing && states.size() > 1) {
            std::vector<int> set(states.begin(), states.end());
            std::sort(set.begin(), set.end());
            M.CellSets.insert(qMakePair(taxon, static_cast<int>(row.size())), std::move(set));
        }
        CountCell(cell, row.size());
        row.push_back(cell);
        return true;
    }
    return Fail(token.Line, QStringLiteral("unexpected \"%1\" in the matrix.").arg(token.Text));
}

bool TNexusMatrixParser::ReadRow(const TNexusTokens& t, size_t& i, int taxon, int line,
                                 bool interleave)
{
    std::vector<int>& row = M.Cells[static_cast<size_t>(taxon)];
    int lastLine = line;
    while (i < t.size()) {
        if (!interleave && static_cast<int>(row.size()) >= NChar) break;
        if (t[i].Line != lastLine) {
            if (interleave) break;
            // A row may run over several lines; a line that cannot be cells
            // starts the next taxon, so this row is short.
            const bool taxonName = TaxaFromBlock && M.Taxa.contains(t[i].Name());
            if (!IsCellText(t[i]) || taxonName) break;
        }
        lastLine = t[i].Line;
        if (!ReadCell(t, i, row, taxon)) return false;
        if (static_cast<int>(row.size()) > NChar)
            return Fail(lastLine,
                        QStringLiteral("the row of taxon \"%1\" has more than NCHAR=%2 characters.")
                            .arg(M.Taxa[taxon])
                            .arg(NChar));
    }
    if (!interleave && static_cast<int>(row.size()) < NChar)
        return Fail(line, QStringLiteral("the row of taxon \"%1\" has %2 of NCHAR=%3 characters.")
                              .arg(M.Taxa[taxon])
                              .arg(row.size())
                              .arg(NChar));
    return true;
}

bool TNexusMatrixParser::Matrix(const TNexusCommand& c)
{
    if (!EnsureCharacters(c.Line)) return false;
    if (NTax <= 0 && !TaxaFromBlock)
        return Fail(c.Line,
                    QStringLiteral(
                        "the number of taxa (DIMENSIONS NTAX=...) must come before the MATRIX."));
    if (static_cast<qint64>(NTax) * NChar > MaxNexusDimension)
        return Fail(c.Line,
                    QStringLiteral("the matrix is too large to load: %1 taxa by %2 characters.")
                        .arg(NTax)
                        .arg(NChar));
    const bool known = TaxaFromBlock;
    // Rows are kept by the taxon's place in TAXLABELS, so all of them must be there.
    if (known && M.Taxa.size() != NTax)
        return Fail(c.Line,
                    QStringLiteral("the matrix is for NTAX=%1 taxa, but TAXLABELS names %2; "
                                   "a matrix of only some of the taxa cannot be read.")
                        .arg(NTax)
                        .arg(M.Taxa.size()));
    if (!known) M.Taxa.clear();
    M.Cells.assign(static_cast<size_t>(NTax), {});
    M.PolymorphicCells.assign(static_cast<size_t>(NChar), 0);
    M.UncertainCells.assign(static_cast<size_t>(NChar), 0);
    std::vector<int> lastLine(static_cast<size_t>(NTax), c.Line);
    const TNexusTokens& t = c.Tokens;
    size_t i = 0;
    int rows = 0;
    while (i < t.size()) {
        const TNexusToken& nameToken = t[i++];
        const QString name = nameToken.Name();
        int taxon = static_cast<int>(M.Taxa.indexOf(name));
        if (taxon < 0 && known)
            return Fail(
                nameToken.Line,
                QStringLiteral("the matrix names \"%1\", which is not among the taxa (TAXLABELS).")
                    .arg(name));
        if (taxon < 0) {
            if (M.Taxa.size() >= NTax)
                return Fail(nameToken.Line,
                            QStringLiteral("more taxa than NTAX=%1: \"%2\".").arg(NTax).arg(name));
            M.Taxa << name;
            taxon = static_cast<int>(M.Taxa.size()) - 1;
        } else if (!Interleave && !M.Cells[static_cast<size_t>(taxon)].empty()) {
            return Fail(nameToken.Line,
                        QStringLiteral("the taxon \"%1\" has two rows in the matrix.").arg(name));
        }
        ++rows;
        lastLine[static_cast<size_t>(taxon)] = nameToken.Line;
        if (!ReadRow(t, i, taxon, nameToken.Line, Interleave)) return false;
    }
    if (M.Taxa.size() < NTax || (known && rows < NTax))
        return Fail(c.Line, QStringLiteral("the matrix has rows for %1 of NTAX=%2 taxa.")
                                .arg(known ? rows : M.Taxa.size())
                                .arg(NTax));
    for (int k = 0; k < NTax; ++k) {
        const size_t n = M.Cells[static_cast<size_t>(k)].size();
        if (static_cast<int>(n) != NChar)
            return Fail(lastLine[static_cast<size_t>(k)],
                        QStringLiteral("the row of taxon \"%1\" has %2 of NCHAR=%3 characters.")
                            .arg(M.Taxa[k])
                            .arg(n)
                            .arg(NChar));
    }
    MatrixRead = true;
    return true;
}

TResult<TNexusMatrix> ParseNexusMatrix(const QString& text)
{
    TNexusMatrix matrix;
    if (TStatus read = TNexusMatrixParser(text, matrix).Parse(); !read)
        return TFailure(read.Error());
    return matrix;
}
