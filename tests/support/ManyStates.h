#pragma once
// A data file beyond the coding's 256 states per character, for the tests
// that every coding job warns about it (batch tool and windows alike).
//
//   WriteFile(dir.filePath("many.txt"), ManyStatesData());
//   WriteFile(dir.filePath("t.nwk"), ManyStatesTree);
#include <QByteArray>

// Ten objects, each with a chain of 30 states of its own down to one root:
// 301 states in character "many"; "few" has two.
inline QByteArray ManyStatesData()
{
    QByteArray bytes = "Taxon\tmany\tfew\n";
    for (int o = 1; o <= 10; ++o) {
        QByteArray cell = "R";
        for (int k = 1; k <= 30; ++k)
            cell = "s" + QByteArray::number(o) + "_" + QByteArray::number(k) + "[" + cell + "]";
        bytes += "o" + QByteArray::number(o) + "\t" + cell + "\t" + (o % 2 ? "A" : "B[A]") + "\n";
    }
    return bytes;
}

// A binary tree over the ten objects of ManyStatesData.
inline const char* const ManyStatesTree = "(((((((((o1,o2),o3),o4),o5),o6),o7),o8),o9),o10);\n";
