#pragma once
// The parser behind ParseNexusMatrix, shared by the files that read the
// matrix blocks (NexusParse.cpp) and the assumptions (NexusAssumptions.cpp).
//
//   TNexusMatrix m;
//   TStatus read = TNexusMatrixParser(text, m).Parse();
#include <QHash>
#include <QSet>
#include <vector>

#include "data/NexusLexer.h"
#include "data/NexusMatrix.h"

constexpr int MaxNexusDimension = 20'000'000;
using TNexusTokens = std::vector<TNexusToken>;

class TNexusMatrixParser {
public:
    TNexusMatrixParser(const QString& text, TNexusMatrix& matrix) : Lexer(text), M(matrix) {}

    // Fills the matrix; on failure its content is of no use.
    TStatus Parse();

private:
    bool Fail(int line, const QString& what)
    {
        Error = QStringLiteral("line %1: %2").arg(line).arg(what);
        return false;
    }
    bool Block(const TNexusCommand& begin);
    bool TaxaCommand(const TNexusCommand& c);
    bool CharactersCommand(const TNexusCommand& c);
    bool AssumptionsCommand(const TNexusCommand& c);
    bool Dimensions(const TNexusCommand& c);
    bool Format(const TNexusCommand& c);
    bool CharStateLabels(const TNexusCommand& c);
    bool CharLabels(const TNexusCommand& c);
    bool StateLabels(const TNexusCommand& c);
    bool Matrix(const TNexusCommand& c);
    bool ReadRow(const TNexusTokens& t, size_t& i, int taxon, int line, bool interleave);
    bool ReadCell(const TNexusTokens& t, size_t& i, std::vector<int>& row, int taxon);
    void CountCell(int cell, size_t column);
    int CellOf(QChar ch, int line, int column, int taxon, bool* ok);
    // Why ch is no state, naming what the file declared.
    QString UnknownSymbol(QChar ch) const;
    bool IsCellText(const TNexusToken& token) const;
    bool CharacterList(const TNexusTokens& t, size_t from, size_t to, std::vector<int>* list);
    bool TypeAssignments(const TNexusTokens& t, size_t from, int line);
    bool EnsureCharacters(int line);
    // The character number a label command starts an entry with; 0 after Fail().
    int CharacterNumber(const TNexusToken& token, const QString& command);
    // DIMENSIONS and TAXLABELS of a TAXA block that follows the matrix.
    void LateTaxaCommand(const TNexusCommand& c);

    // A DATA or CHARACTERS block without a MATRIX (Mesquite writes names and
    // state labels so): read aside, merged into the matrix at the end when
    // it belongs to it (NexusLabels.cpp).
    struct TLabelBlock {
        int Line = 0;
        QString Title, LinkTaxa, LinkCharacters;
        int NChar = 0;
        QStringList Names;
        std::vector<QStringList> StateLabels;
    };
    void BeginLabels(int line);
    // False on an error of the text itself; a faulty label command only drops the block.
    bool LabelCommand(const TNexusCommand& c);
    void EndLabels(bool keep);
    void MergeLabels();
    static void ReadLink(const TNexusCommand& c, QString* taxa, QString* characters);

    TNexusLexer Lexer;
    TNexusMatrix& M;
    QString Error;
    QString Block_;
    int NTax = 0, NChar = 0;
    bool MatrixRead = false, Interleave = false, RespectCase = false;
    bool TaxaFromBlock = false;
    bool GapGiven = false;
    int FormatLine = 0;
    QString DeclaredSymbols, DataType;  // as FORMAT gave them
    bool SymbolsGiven = false;
    QString MatrixTitle, MatrixLinkTaxa, TaxaTitle;
    bool LabelsOnly = false;
    TLabelBlock Labels;
    std::vector<TLabelBlock> LabelBlocks;
    // The matrix's own labels while a label block is read.
    QStringList SavedNames;
    std::vector<QStringList> SavedStateLabels;
    std::vector<QString> SavedTypes;
    int SavedNChar = 0;
    QChar Missing = QLatin1Char('?'), Gap = QLatin1Char('-'), Match;
    QSet<QChar> Ambiguity;
    QHash<QString, std::vector<int>> CharSets;  // lower-case names
    QStringList Skipped;
    QSet<QChar> AddedSymbols;
    int Polymorphic = 0, Uncertain = 0, Gaps = 0;
};
