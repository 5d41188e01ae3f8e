#pragma once
// Pairwise compatibility of characters from their pointer coding: two
// characters are incompatible when some object is directly derived from
// other objects in one character but not in the other more than once.
#include "analyses/Matroschka.h"

// Signed steps between the objects' states of character c; S[i][j] = 1
// exactly when object i's state is a direct descendant of object j's.
TShortMatrix StepMatrix(int c, const TSField& field);

// For every object i of character c, the objects j with S[i][j] = 1, as bit
// rows of (ObjectCount + 1) bits (bit j of row i).
struct TDerivations {
    int Words = 0;                    // 64-bit words per row
    std::vector<std::uint64_t> Bits;  // row i starts at i * Words
};
TDerivations DirectDerivations(int c, const TSField& field);

// True marks an incompatible pair; the diagonal stays False.
void CompatibilityMatrix(const TSField& field, TBoolMatrix& result);
