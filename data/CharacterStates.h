#pragma once
// Each character's state tree in indexed form, for writing the matrix in
// other programs' formats.
//
//   TResult<TCharacterStates> s = CharacterStates(data, c);
//   if (!s) ... s.Error();
//   s->Names[k], s.Parent[k] (-1 at the root), s.Own[o] (-1: "?"), s.Has(o, k)
#include <QStringList>
#include <vector>

#include "data/Global.h"
#include "data/Result.h"

struct TCharacterStates {
    QStringList Names;        // states in the program's order (sorted ignoring case)
    std::vector<int> Parent;  // per state; -1 for the root
    std::vector<int> Own;     // per object 1..ObjectCount (entry 0 unused); -1 missing
    int Root = -1;            // -1 when every cell is missing

    // True when state k lies on object o's path to the root.
    bool Has(int o, int k) const;
};

// Fails (with a sentence naming the character) when the states do not form
// one tree: several roots, or a cycle.
TResult<TCharacterStates> CharacterStates(const TMatrixData& data, int c);
