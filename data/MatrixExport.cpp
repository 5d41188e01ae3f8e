#include "data/MatrixExport.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include "data/CharacterStates.h"
#include "data/CsvReader.h"
#include "data/NexusLexer.h"
#include "data/TextFile.h"

namespace {
const QString SymbolSet = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ");

QString Cell(const TMatrixData& d, int c, int o)
{
    if (c >= static_cast<int>(d.DataMatrix.size())) return {};
    const TPart& column = d.DataMatrix[static_cast<size_t>(c)];
    return o < static_cast<int>(column.size()) ? column[static_cast<size_t>(o)] : QString();
}

TResult<std::vector<TCharacterStates>> AllCharacters(const TMatrixData& d)
{
    std::vector<TCharacterStates> all(static_cast<size_t>(d.CharacterCount) + 1);
    for (int c = 1; c <= d.CharacterCount; ++c) {
        TResult<TCharacterStates> states = CharacterStates(d, c);
        if (!states) return TFailure(states.Error());
        all[static_cast<size_t>(c)] = std::move(*states);
    }
    return all;
}

// A symbol every NEXUS reader takes in a matrix row.
bool PlainSymbol(QChar ch) { return ch.unicode() < 128 && ch.isLetterOrNumber(); }

// Per character the symbol of each state (by index into Names): the file's
// own where the data came from NEXUS, else the first free one of the file's
// symbols and then ours. Fails when a character has more states than symbols.
TResult<std::vector<QString>> StateSymbols(const TMatrixData& d,
                                           const std::vector<TCharacterStates>& all)
{
    QString pool;
    for (QChar ch : d.Symbols.Order + SymbolSet)
        if (PlainSymbol(ch) && !pool.contains(ch)) pool += ch;
    std::vector<QString> symbols(all.size());
    for (int c = 1; c <= d.CharacterCount; ++c) {
        const QStringList& names = all[static_cast<size_t>(c)].Names;
        const int n = static_cast<int>(names.size());
        if (n > pool.size())
            return TFailure(
                QStringLiteral("Character %1 (%2) has %3 states; NEXUS symbols code at most %4.")
                    .arg(QString::number(c), Cell(d, c, 0), QString::number(n),
                         QString::number(pool.size())));
        QString own(n, QChar());
        for (int k = 0; k < n; ++k) {
            const QChar ch = d.Symbols.Of(c, names[k]);
            if (PlainSymbol(ch) && !own.contains(ch)) own[k] = ch;
        }
        for (int k = 0; k < n; ++k) {
            if (!own.at(k).isNull()) continue;
            // A free one that no reader could take for a used one, whatever its case.
            for (QChar ch : pool)
                if (!own.contains(ch, Qt::CaseInsensitive)) {
                    own[k] = ch;
                    break;
                }
            if (own.at(k).isNull()) {
                // The pool counts "a" and "A" apart, but a free symbol must differ in
                // either case: never write a state without a symbol.
                QString classes;
                for (QChar ch : pool)
                    if (!classes.contains(ch, Qt::CaseInsensitive)) classes += ch;
                return TFailure(QStringLiteral("Character %1 (%2) has %3 states; NEXUS symbols "
                                               "code at most %4 when a letter's upper and "
                                               "lower case count as one.")
                                    .arg(QString::number(c), Cell(d, c, 0), QString::number(n),
                                         QString::number(classes.size())));
            }
        }
        symbols[static_cast<size_t>(c)] = own;
    }
    return symbols;
}

// The state tree as a CSTREE description: "((1,(3)2)0)" names children
// before their parent.
QString StateTreeText(const TCharacterStates& s, const QString& symbols)
{
    const int n = static_cast<int>(s.Names.size());
    std::vector<std::vector<int>> children(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k)
        if (s.Parent[static_cast<size_t>(k)] >= 0)
            children[static_cast<size_t>(s.Parent[static_cast<size_t>(k)])].push_back(k);
    QString out;
    // Iterative: (node, next child); deep chains must not exhaust the stack.
    std::vector<std::pair<int, size_t>> stack{{s.Root, 0}};
    if (!children[static_cast<size_t>(s.Root)].empty()) out += QLatin1Char('(');
    while (!stack.empty()) {
        auto& [node, next] = stack.back();
        const std::vector<int>& kids = children[static_cast<size_t>(node)];
        if (next < kids.size()) {
            if (next > 0) out += QLatin1Char(',');
            const int child = kids[next++];
            if (!children[static_cast<size_t>(child)].empty()) out += QLatin1Char('(');
            stack.push_back({child, 0});
            continue;
        }
        if (!kids.empty()) out += QLatin1Char(')');
        out += symbols.at(node);
        stack.pop_back();
    }
    return out;
}

QStringList NexusTaxa(const TMatrixData& d, int* width)
{
    QStringList names;
    *width = 0;
    for (int o = 1; o <= d.ObjectCount; ++o) {
        names << NexusWord(Cell(d, 0, o));
        *width = std::max(*width, static_cast<int>(names.back().size()));
    }
    return names;
}

TStatus CheckNames(const TMatrixData& d)
{
    QSet<QString> seen;
    for (int o = 1; o <= d.ObjectCount; ++o) {
        const QString name = Cell(d, 0, o);
        if (name.trimmed().isEmpty()) {
            return TFailure(
                QStringLiteral("Object %1 has no name; other programs need every object named.")
                    .arg(o));
        }
        if (seen.contains(name)) {
            return TFailure(
                QStringLiteral(
                    "Two objects are named \"%1\"; other programs cannot tell them apart.")
                    .arg(name));
        }
        seen.insert(name);
    }
    return {};
}

QStringList TaxaBlock(const TMatrixData& d)
{
    int width = 0;
    QStringList lines{QStringLiteral("BEGIN TAXA;"),
                      QStringLiteral("    DIMENSIONS NTAX=%1;").arg(d.ObjectCount),
                      QStringLiteral("    TAXLABELS")};
    for (const QString& name : NexusTaxa(d, &width)) lines << QStringLiteral("        ") + name;
    lines << QStringLiteral("    ;") << QStringLiteral("END;") << QString();
    return lines;
}

QStringList MatrixLines(const TMatrixData& d, const std::vector<QString>& rows)
{
    int width = 0;
    const QStringList names = NexusTaxa(d, &width);
    QStringList lines{QStringLiteral("    MATRIX")};
    for (int o = 1; o <= d.ObjectCount; ++o)
        lines << QStringLiteral("        ") + names[o - 1].leftJustified(width + 2) +
                     rows[static_cast<size_t>(o)];
    lines << QStringLiteral("    ;") << QStringLiteral("END;") << QString();
    return lines;
}

TResult<TMatrixExport> Nexus(const TMatrixData& d)
{
    if (TStatus names = CheckNames(d); !names) return TFailure(names.Error());
    TResult<std::vector<TCharacterStates>> states = AllCharacters(d);
    if (!states) return TFailure(states.Error());
    const std::vector<TCharacterStates>& all = *states;
    const TResult<std::vector<QString>> coded = StateSymbols(d, all);
    if (!coded) return TFailure(coded.Error());
    const std::vector<QString>& symbols = *coded;
    TMatrixExport out;
    // The file's symbols in its order where it gave them; else ours, at least "01".
    QString order;
    if (d.Symbols.Order.isEmpty()) {
        qsizetype maxStates = 2;
        for (int c = 1; c <= d.CharacterCount; ++c)
            maxStates = std::max(maxStates, symbols[static_cast<size_t>(c)].size());
        order = SymbolSet.left(maxStates);
    } else {
        QString used;
        for (int c = 1; c <= d.CharacterCount; ++c) used += symbols[static_cast<size_t>(c)];
        for (QChar ch : d.Symbols.Order + SymbolSet + used)
            if (used.contains(ch) && !order.contains(ch)) order += ch;
    }
    QStringList lines{
        QStringLiteral("#NEXUS"),
        QStringLiteral(
            "[Written by VARNO Classic: states as CHARSTATELABELS, each character's state tree "
            "as USERTYPE (CSTREE).]"),
        QString()};
    lines << TaxaBlock(d);
    lines
        << QStringLiteral("BEGIN CHARACTERS;")
        << QStringLiteral("    DIMENSIONS NCHAR=%1;").arg(d.CharacterCount)
        // Without blanks between the symbols: some readers stop at the first blank.
        << QStringLiteral("    FORMAT DATATYPE=STANDARD SYMBOLS=\"%1\" MISSING=? GAP=-;").arg(order)
        << QStringLiteral("    CHARSTATELABELS");
    for (int c = 1; c <= d.CharacterCount; ++c) {
        // Labels go by the symbols' places: a place no state holds keeps its symbol.
        const TCharacterStates& s = all[static_cast<size_t>(c)];
        const QString& own = symbols[static_cast<size_t>(c)];
        QStringList labels;
        for (qsizetype k = 0; k < own.size(); ++k) {
            const qsizetype place = order.indexOf(own.at(k));
            while (labels.size() <= place) labels << NexusWord(QString(order.at(labels.size())));
            labels[place] = NexusWord(s.Names[k]);
        }
        // One arg() call: a name holding "%3" must not take the next value.
        lines << QStringLiteral("        %1 %2%3%4")
                     .arg(QString::number(c), NexusWord(Cell(d, c, 0)),
                          labels.isEmpty() ? QString()
                                           : QStringLiteral(" / ") + labels.join(QLatin1Char(' ')),
                          c < d.CharacterCount ? QStringLiteral(",") : QString());
    }
    lines << QStringLiteral("    ;");
    std::vector<QString> rows(static_cast<size_t>(d.ObjectCount) + 1);
    for (int o = 1; o <= d.ObjectCount; ++o)
        for (int c = 1; c <= d.CharacterCount; ++c) {
            const int k = all[static_cast<size_t>(c)].Own[static_cast<size_t>(o)];
            rows[static_cast<size_t>(o)] +=
                k < 0 ? QLatin1Char('?') : symbols[static_cast<size_t>(c)].at(k);
        }
    lines << MatrixLines(d, rows);

    QStringList types, assignments;
    for (int c = 1; c <= d.CharacterCount; ++c) {
        const TCharacterStates& s = all[static_cast<size_t>(c)];
        if (s.Names.size() < 2) continue;
        types << QStringLiteral("    USERTYPE tree%1 (CSTREE) = %2;")
                     .arg(c)
                     .arg(StateTreeText(s, symbols[static_cast<size_t>(c)]));
        assignments << QStringLiteral("tree%1: %1").arg(c);
    }
    if (!types.isEmpty()) {
        lines << QStringLiteral("BEGIN ASSUMPTIONS;") << types
              << QStringLiteral("    TYPESET * StateTrees = %1;")
                     .arg(assignments.join(QStringLiteral(", ")))
              << QStringLiteral("END;") << QString();
    }
    out.Text = lines.join(QStringLiteral("\r\n")).toUtf8();
    return out;
}

// The additive binary coding: per derived state, 1 where the object's path
// passes through it. Rows indexed 1..n; names per binary character.
void BinaryCoding(const TMatrixData& d, const std::vector<TCharacterStates>& all,
                  std::vector<QString>* rows, QStringList* names, int* allOnes)
{
    rows->assign(static_cast<size_t>(d.ObjectCount) + 1, QString());
    *allOnes = 0;
    for (int c = 1; c <= d.CharacterCount; ++c) {
        const TCharacterStates& s = all[static_cast<size_t>(c)];
        for (int k = 0; k < static_cast<int>(s.Names.size()); ++k) {
            if (k == s.Root) continue;
            names->append(Cell(d, c, 0) + QLatin1Char(':') + s.Names[k]);
            bool ones = true;
            for (int o = 1; o <= d.ObjectCount; ++o) {
                const bool missing = s.Own[static_cast<size_t>(o)] < 0;
                const bool has = s.Has(o, k);
                (*rows)[static_cast<size_t>(o)] += missing ? QLatin1Char('?')
                                                   : has   ? QLatin1Char('1')
                                                           : QLatin1Char('0');
                if (!missing && !has) ones = false;
            }
            if (ones) ++*allOnes;
        }
    }
}

TResult<TMatrixExport> NexusBinary(const TMatrixData& d)
{
    if (TStatus names = CheckNames(d); !names) return TFailure(names.Error());
    TResult<std::vector<TCharacterStates>> states = AllCharacters(d);
    if (!states) return TFailure(states.Error());
    const std::vector<TCharacterStates>& all = *states;
    TMatrixExport out;
    std::vector<QString> rows;
    QStringList names;
    BinaryCoding(d, all, &rows, &names, &out.BinaryAllOnes);
    const int n = static_cast<int>(names.size());
    out.BinaryCharacters = n;
    if (n == 0)
        return TFailure(QStringLiteral(
            "The data have no derived state, so there is no binary character to write."));
    QStringList lines{
        QStringLiteral("#NEXUS"),
        QStringLiteral(
            "[Written by VARNO Classic: each derived state as a 0/1 character (additive binary "
            "coding), irreversible from 0 to 1.]"),
        QString()};
    lines << TaxaBlock(d);
    lines << QStringLiteral("BEGIN CHARACTERS;")
          << QStringLiteral("    DIMENSIONS NCHAR=%1;").arg(n)
          << QStringLiteral("    FORMAT DATATYPE=STANDARD SYMBOLS=\"01\" MISSING=? GAP=-;")
          << QStringLiteral("    CHARLABELS");
    for (const QString& name : names) lines << QStringLiteral("        ") + NexusWord(name);
    lines << QStringLiteral("    ;");
    lines << MatrixLines(d, rows);
    lines << QStringLiteral("BEGIN ASSUMPTIONS;")
          << QStringLiteral("    TYPESET * Binary = irrev.up: 1-%1;").arg(n)
          << QStringLiteral("END;") << QString() << QStringLiteral("BEGIN PAUP;")
          << QStringLiteral("    CTYPE irrev.up: 1-%1;").arg(n) << QStringLiteral("END;")
          << QString();
    out.Text = lines.join(QStringLiteral("\r\n")).toUtf8();
    return out;
}

// PHYLIP takes 10 characters of a name and no punctuation that trees use.
QStringList PhylipNames(const TMatrixData& d, QStringList* notes)
{
    QStringList names{QString()};
    QSet<QString> used;
    int shortened = 0;
    for (int o = 1; o <= d.ObjectCount; ++o) {
        QString name = Cell(d, 0, o);
        const QString original = name;
        for (QChar& ch : name)
            if (ch.isSpace() || QStringLiteral("()[]:;,'\"").contains(ch) || ch.unicode() > 126)
                ch = QLatin1Char('_');
        name = name.left(10);
        for (int k = 1; used.contains(name) || name.isEmpty(); ++k) {
            const QString number = QString::number(k);
            name = name.left(10 - static_cast<int>(number.size())) + number;
        }
        if (name != original) ++shortened;
        used.insert(name);
        names << name;
    }
    if (shortened > 0)
        notes->append(
            QStringLiteral(
                "%1 object names changed to PHYLIP's 10 characters without blanks or punctuation.")
                .arg(shortened));
    return names;
}

TResult<TMatrixExport> Phylip(const TMatrixData& d)
{
    TResult<std::vector<TCharacterStates>> states = AllCharacters(d);
    if (!states) return TFailure(states.Error());
    const std::vector<TCharacterStates>& all = *states;
    TMatrixExport out;
    std::vector<QString> rows;
    QStringList names;
    BinaryCoding(d, all, &rows, &names, &out.BinaryAllOnes);
    out.BinaryCharacters = static_cast<int>(names.size());
    if (names.isEmpty())
        return TFailure(QStringLiteral(
            "The data have no derived state, so there is no binary character to write."));
    out.Names = PhylipNames(d, &out.Notes);
    QStringList lines{QStringLiteral("%1 %2").arg(d.ObjectCount, 6).arg(names.size(), 5)};
    for (int o = 1; o <= d.ObjectCount; ++o)
        lines << out.Names[o].leftJustified(10) + rows[static_cast<size_t>(o)];
    // PHYLIP reads Unix line ends everywhere.
    out.Text = (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toLatin1();
    out.Ancestors = QByteArray(names.size(), '0') + '\n';
    // Trees mix writes name the objects by these; the map leads back.
    QStringList map{QStringLiteral("PHYLIP name\tObject")};
    for (int o = 1; o <= d.ObjectCount; ++o)
        map << out.Names[o] + QLatin1Char('\t') + Cell(d, 0, o);
    out.NameMap = EncodeTextLines(map);
    return out;
}

TResult<TMatrixExport> Csv(const TMatrixData& d)
{
    std::vector<QStringList> rows;
    for (int o = 0; o <= d.ObjectCount; ++o) {
        QStringList row;
        for (int c = 0; c <= d.CharacterCount; ++c) row << Cell(d, c, o);
        rows.push_back(row);
    }
    TMatrixExport out;
    out.Text = EncodeCsvTable(rows);
    return out;
}
}  // namespace

TResult<TMatrixExport> ExportMatrix(const TMatrixData& data, TExportFormat format)
{
    if (data.ObjectCount < 1 || data.CharacterCount < 1)
        return TFailure(QStringLiteral("No data are loaded, so there is nothing to export."));
    switch (format) {
        case TExportFormat::Nexus:
            return Nexus(data);
        case TExportFormat::NexusBinary:
            return NexusBinary(data);
        case TExportFormat::Phylip:
            return Phylip(data);
        case TExportFormat::Csv:
            return Csv(data);
    }
    return TFailure(QStringLiteral("This export format is not known."));
}

bool ParseExportFormat(const QString& word, TExportFormat* format)
{
    const QString w = word.toLower();
    if (w == QLatin1String("nexus"))
        *format = TExportFormat::Nexus;
    else if (w == QLatin1String("nexus-binary"))
        *format = TExportFormat::NexusBinary;
    else if (w == QLatin1String("phylip"))
        *format = TExportFormat::Phylip;
    else if (w == QLatin1String("csv"))
        *format = TExportFormat::Csv;
    else
        return false;
    return true;
}

bool ExportFormatOfPath(const QString& path, TExportFormat* format)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("nex") || suffix == QLatin1String("nexus") ||
        suffix == QLatin1String("nxs"))
        *format = TExportFormat::Nexus;
    else if (suffix == QLatin1String("phy") || suffix == QLatin1String("phylip"))
        *format = TExportFormat::Phylip;
    else if (suffix == QLatin1String("csv"))
        *format = TExportFormat::Csv;
    else
        return false;
    return true;
}

QString AncestorsPath(const QString& phylipPath)
{
    const QFileInfo info(phylipPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".anc"));
}

QString NameMapPath(const QString& phylipPath)
{
    const QFileInfo info(phylipPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".names.txt"));
}
