#pragma once
// How a character's changes are counted. Camin-Sokal counting on the state
// tree (irreversible) is the program's own; the reversible criteria are the
// ones the published matrices of other programs are scored with.
//
//   TResult<TCriterion> c = ParseCriterion(QStringLiteral("unordered"));
//   protocol << CriterionName(*c);   // "unordered (Fitch)"
#include <QString>

#include "data/Result.h"

enum class TCriterion {
    Irreversible,         // Camin-Sokal on the state tree: changes only away from the root
    StateTreeReversible,  // additive: a change costs the state-tree edges between the two states
    Ordered,              // Wagner: the states in a line, a change costs their distance
    Unordered             // Fitch: every change costs one step
};

// The name for protocols and windows: "irreversible", "state tree,
// reversible", "ordered (Wagner)", "unordered (Fitch)".
QString CriterionName(TCriterion criterion);
// The word of the batch option: irreversible, reversible, ordered, unordered.
QString CriterionOption(TCriterion criterion);
// The batch option's word back; anything else is refused with the allowed words.
TResult<TCriterion> ParseCriterion(const QString& option);
