#pragma once
// Small models for the analyses tests, written row by row as in a data file.
#include <QStringList>
#include <ostream>
#include <random>

#include "data/Global.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

// rows[0] is the header line ("", character names...), every other row an
// object: name, then one cell per character.
inline TModel MakeModel(const std::vector<QStringList>& rows)
{
    TMatrixData data;
    data.ObjectCount = static_cast<int>(rows.size()) - 1;
    data.CharacterCount = static_cast<int>(rows[0].size()) - 1;
    data.DataMatrix.assign(static_cast<size_t>(data.CharacterCount) + 1,
                           TPart(static_cast<size_t>(data.ObjectCount) + 1));
    for (size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c <= data.CharacterCount; ++c)
            data.DataMatrix[static_cast<size_t>(c)][r] =
                c < rows[r].size() ? rows[r][c] : QString();
    TModel model;
    model.AssignMatrix(std::move(data), false);
    return model;
}

// One character per column: columns[k] holds the cells of objects 1..n.
inline TModel MakeColumns(const std::vector<QStringList>& columns)
{
    std::vector<QStringList> rows;
    QStringList header{QString()};
    for (size_t k = 0; k < columns.size(); ++k) header << QStringLiteral("c%1").arg(k + 1);
    rows.push_back(header);
    const qsizetype n = columns.empty() ? 0 : columns[0].size();
    for (qsizetype o = 0; o < n; ++o) {
        QStringList row{QStringLiteral("o%1").arg(o + 1)};
        for (const QStringList& col : columns) row << col[o];
        rows.push_back(row);
    }
    return MakeModel(rows);
}

// Random pointer data: each character is a random state tree over a few
// states, cells "S[P]" (roots "S[ ]"), some "?" and some odd cells.
inline TModel RandomPointerModel(std::mt19937_64& rng, int objects, int characters, int maxStates)
{
    std::vector<QStringList> columns;
    for (int c = 0; c < characters; ++c) {
        const int states = 1 + static_cast<int>(rng() % static_cast<unsigned>(maxStates));
        std::vector<int> parent(static_cast<size_t>(states), -1);
        for (int s = 1; s < states; ++s)
            parent[static_cast<size_t>(s)] = static_cast<int>(rng() % static_cast<unsigned>(s));
        QStringList col;
        for (int o = 0; o < objects; ++o) {
            const unsigned roll = static_cast<unsigned>(rng() % 20);
            const int s = static_cast<int>(rng() % static_cast<unsigned>(states));
            const QString name = QStringLiteral("S%1").arg(s);
            const int p = parent[static_cast<size_t>(s)];
            if (roll == 0)
                col << QStringLiteral("?");
            else if (roll == 1)
                col << name;  // no bracket: missing
            else if (roll == 2)
                col << QStringLiteral("X%1[S%2]").arg(s).arg(states + 3);  // unknown ancestor
            else
                col << (p < 0 ? name + QStringLiteral("[ ]")
                              : name + QStringLiteral("[S%1]").arg(p));
        }
        columns.push_back(col);
    }
    return MakeColumns(columns);
}

// Random Standard data: a few states per character, polymorphic and missing cells.
inline TModel RandomStandardModel(std::mt19937_64& rng, int objects, int characters, int maxStates)
{
    std::vector<QStringList> columns;
    for (int c = 0; c < characters; ++c) {
        const int states = 1 + static_cast<int>(rng() % static_cast<unsigned>(maxStates));
        QStringList col;
        for (int o = 0; o < objects; ++o) {
            const unsigned roll = static_cast<unsigned>(rng() % 20);
            const QString a = QStringLiteral("s%1").arg(rng() % static_cast<unsigned>(states));
            const QString b = QStringLiteral("S%1").arg(rng() % static_cast<unsigned>(states));
            if (roll == 0)
                col << QStringLiteral("?");
            else if (roll == 1)
                col << a + QStringLiteral("&") + b;
            else if (roll == 2)
                col << QStringLiteral("?&") + a;
            else
                col << a;
        }
        columns.push_back(col);
    }
    return MakeColumns(columns);
}
