#pragma once
// Correlation of characters from their Standard coding: Cramer's contingency
// index and the relative number of state combinations.
#include "data/Global.h"

// Number of real states: the "?" entry of the state list is never a member.
int RealStateCount(const TSPlace& place);

// The tables of one pair of characters.
class TCharacters {
public:
    // Observed counts of state pairs, StateCount(c1) rows x StateCount(c2) columns.
    std::vector<std::vector<int>> Contingency;
    std::vector<std::vector<double>> Expected;
    int TotalCount = 0;

    // An object adds one count to every combination of its states.
    void BuildContingency(const TSField& field, int c1, int c2, int objectCount);
    // Row sums x column sums / total; NaN everywhere when the total is 0.
    void BuildExpected(const TSField& field, int c1, int c2);
    // Over the cells with an expected count above 0.
    double ChiSquare(const TSField& field, int c1, int c2) const;
    // Cells of Contingency with a count other than 0.
    int CountCombinations(int c1, int c2) const;
};

// Cramer's V of every pair (NaN where undefined), 1 on the diagonal.
void CramerMatrix(const TSField& field, TDynRealMatrix& result);
// Actual / potential state combinations of every pair; the diagonal holds
// 1 / real states (written only with a pair, so one character leaves 0);
// NaN where a character has no real state.
void CombinationMatrix(const TSField& field, TDynRealMatrix& result);
