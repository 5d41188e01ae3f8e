#pragma once
// The matrix written for other programs: NEXUS (states as CHARSTATELABELS,
// each state tree as USERTYPE ... (CSTREE)), NEXUS binary (each derived state
// a 0/1 character, irreversible up), PHYLIP for a Camin-Sokal run of mix
// (with its ancestors file) and CSV.
//
//   TResult<TMatrixExport> out = ExportMatrix(data, TExportFormat::Nexus);
//   if (!out) show(out.Error()); else save(out->Text) (and out->Ancestors for PHYLIP)
#include <QByteArray>
#include <QStringList>

#include "data/Global.h"
#include "data/Result.h"

enum class TExportFormat { Nexus, NexusBinary, Phylip, Csv };

struct TMatrixExport {
    QByteArray Text;
    QByteArray Ancestors;  // PHYLIP only: one line of 0s
    QByteArray NameMap;    // PHYLIP only: a table of each 10-character name and the object's own
    QStringList Names;     // PHYLIP only: the 10-character names, by object 1..n (entry 0 empty)
    QStringList Notes;     // e.g. names shortened for PHYLIP
    int BinaryCharacters = 0;  // binary and PHYLIP: number of 0/1 characters
    int BinaryAllOnes = 0;     // of those, how many are 1 in every object that is not "?"
};

TResult<TMatrixExport> ExportMatrix(const TMatrixData& data, TExportFormat format);

// "nexus", "nexus-binary", "phylip", "csv"; false for other words.
bool ParseExportFormat(const QString& word, TExportFormat* format);
// By the file's extension: .nex/.nexus/.nxs, .phy/.phylip, .csv.
bool ExportFormatOfPath(const QString& path, TExportFormat* format);
// Where the ancestors file goes beside a PHYLIP file: "matrix.phy" gives "matrix.anc".
QString AncestorsPath(const QString& phylipPath);
// Where the name map goes beside a PHYLIP file: "matrix.phy" gives "matrix.names.txt".
QString NameMapPath(const QString& phylipPath);
