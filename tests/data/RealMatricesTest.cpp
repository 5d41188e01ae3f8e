// Published morphological matrices as their authors' programs wrote them
// (../shared/data/real, not part of the project): each loads with the counts
// its DIMENSIONS give, every cell's path whole, checks (or notes), exports,
// and the NEXUS export keeps the file's symbols, for us and for Biopython
// and DendroPy. Skipped, saying why, where the files or the peers are absent.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <iostream>

#include "data/DataFile.h"
#include "data/MatrixExport.h"
#include "data/NexusReader.h"
#include "data/Path.h"
#include "data/PathControl.h"
#include "data/TextFile.h"

namespace {
QString RealFolder()
{
    const QString given = qEnvironmentVariable("VARNO_REAL_MATRICES");
    return given.isEmpty() ? QStringLiteral(VARNO_SOURCE_DIR "/../shared/data/real") : given;
}

QString Text(const QString& path)
{
    const TResult<QByteArray> bytes = ReadWholeFile(path, MaxDataFileBytes);
    return bytes ? DecodeText(*bytes) : QString();
}

int Declared(const QString& text, const char* what)
{
    const QRegularExpression re(QStringLiteral("\\b%1\\s*=\\s*(\\d+)").arg(QLatin1String(what)),
                                QRegularExpression::CaseInsensitiveOption);
    return re.match(text).captured(1).toInt();
}

// Per taxon the symbol of every cell with one state, "?" elsewhere.
QStringList SymbolRows(const TNexusMatrix& m)
{
    QStringList rows;
    for (const std::vector<int>& cells : m.Cells) {
        QString row;
        for (int s : cells) row += s >= 0 ? m.Symbols.at(s) : QLatin1Char('?');
        rows << row;
    }
    return rows;
}

// Where the file has a state, the other rows must have its symbol.
void ExpectSameSymbols(const QStringList& original, const QStringList& written, const QString& what)
{
    ASSERT_EQ(written.size(), original.size()) << what.toStdString();
    int differ = 0;
    for (qsizetype o = 0; o < original.size(); ++o) {
        ASSERT_EQ(written[o].size(), original[o].size()) << what.toStdString() << " taxon " << o;
        for (qsizetype c = 0; c < original[o].size(); ++c)
            if (original[o][c] != QLatin1Char('?') && written[o][c] != original[o][c]) ++differ;
    }
    EXPECT_EQ(differ, 0) << what.toStdString() << ": cells whose symbol changed";
}
}  // namespace

TEST(RealMatrices, EachLoadsWholeChecksAndExportsWithItsSymbols)
{
    const QDir folder(RealFolder());
    const QStringList files = folder.entryList({QStringLiteral("*.nex")}, QDir::Files, QDir::Name);
    if (files.isEmpty())
        GTEST_SKIP() << "no published matrices in " << folder.path().toStdString()
                     << " (set VARNO_REAL_MATRICES to their folder)";
    QTemporaryDir dir;
    QStringList exported;
    std::vector<QStringList> originals;
    for (const QString& name : files) {
        const QString path = folder.filePath(name);
        const QString text = Text(path);
        SCOPED_TRACE(name.toStdString());
        const TReadResult read = ReadDataFile(path);
        ASSERT_TRUE(read.Ok()) << read.Error().toStdString();
        const TMatrixData& d = read->Data;
        EXPECT_EQ(d.ObjectCount, Declared(text, "NTAX"));
        EXPECT_EQ(d.CharacterCount, Declared(text, "NCHAR"));

        // No path cut: every character has as many states in its cells as
        // the file has symbols in its column, and one root.
        const TResult<TNexusMatrix> parsed = ParseNexusMatrix(text);
        ASSERT_TRUE(parsed.Ok()) << parsed.Error().toStdString();
        EXPECT_EQ(d.CutCells, 0);
        EXPECT_FALSE(read->Notes.join('\n').contains(QStringLiteral("paths longer than")));
        const TDynStrMatrix paths = PathMatrix(d.DataMatrix, d.ObjectCount, d.CharacterCount);
        for (int c = 1; c <= d.CharacterCount; ++c) {
            QSet<int> symbols;
            QSet<QString> states, roots;
            for (int o = 1; o <= d.ObjectCount; ++o) {
                const int s = parsed->Cells[static_cast<size_t>(o - 1)][static_cast<size_t>(c - 1)];
                if (s >= 0) symbols.insert(s);
                const TPath path = ParseCell(paths[static_cast<size_t>(c)][static_cast<size_t>(o)]);
                if (IsMissingName(path.front())) continue;
                states.insert(path.front());
                roots.insert(path.back());
            }
            EXPECT_EQ(states.size(), symbols.size()) << "character " << c;
            EXPECT_LE(roots.size(), 1) << "character " << c;
        }
        const TDataCheck check = PathControl(d.DataMatrix, d.ObjectCount, d.CharacterCount);
        EXPECT_TRUE(check.Usable()) << check.Protocol.join('\n').toStdString();

        for (TExportFormat format :
             {TExportFormat::Nexus, TExportFormat::NexusBinary, TExportFormat::Phylip}) {
            const TResult<TMatrixExport> out = ExportMatrix(d, format);
            ASSERT_TRUE(out.Ok()) << out.Error().toStdString();
        }
        const TResult<TMatrixExport> nexus = ExportMatrix(d, TExportFormat::Nexus);
        const TReadResult back = ReadNexusMatrixText(QString::fromUtf8(nexus->Text));
        ASSERT_TRUE(back.Ok()) << back.Error().toStdString();
        EXPECT_EQ(PathMatrix(back->Data.DataMatrix, d.ObjectCount, d.CharacterCount), paths);
        const TResult<TNexusMatrix> written = ParseNexusMatrix(QString::fromUtf8(nexus->Text));
        ASSERT_TRUE(written.Ok());
        ExpectSameSymbols(SymbolRows(*parsed), SymbolRows(*written), QStringLiteral("our reader"));

        const QString file = dir.filePath(name);
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(nexus->Text);
        f.close();
        exported << file;
        originals.push_back(SymbolRows(*parsed));
    }

    // The peers read the exports with the files' own symbols.
    const QString python = QStringLiteral("/usr/bin/python3");
    const QString script = QStringLiteral(VARNO_SOURCE_DIR "/tests/parsimony/peers/peer_io.py");
    QStringList skipped;
    for (const QString& tool : {QStringLiteral("biopython"), QStringLiteral("dendropy")}) {
        if (!QFileInfo::exists(python)) {
            skipped << python + QStringLiteral(" is not installed");
            continue;
        }
        QProcess p;
        p.start(python, QStringList{script, QStringLiteral("rows"), tool} + exported);
        ASSERT_TRUE(p.waitForFinished(300000));
        if (p.exitCode() == 3) {
            skipped << tool + QStringLiteral(" is not installed for ") + python;
            continue;
        }
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        const QJsonObject all = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        for (qsizetype k = 0; k < exported.size(); ++k) {
            const QJsonObject rows = all[exported[k]].toObject();
            const TReadResult ours = ReadNexusMatrixText(Text(exported[k]));
            ASSERT_TRUE(ours.Ok());
            QStringList peer;
            for (int o = 1; o <= ours->Data.ObjectCount; ++o) {
                const QString taxon = ours->Data.DataMatrix[0][static_cast<size_t>(o)];
                ASSERT_TRUE(rows.contains(taxon))
                    << tool.toStdString() << ": " << files[k].toStdString() << " has no row "
                    << taxon.toStdString();
                peer << rows[taxon].toString();
            }
            ExpectSameSymbols(originals[static_cast<size_t>(k)], peer, tool + ' ' + files[k]);
        }
    }
    if (!skipped.isEmpty())
        std::cout << "Not checked by: " << skipped.join("; ").toStdString() << "\n";
}
