#pragma once
// How a character's changes are counted. Camin-Sokal counting on the state
// tree (irreversible) is the program's own; the reversible criteria are the
// ones the published matrices of other programs are scored with. The kinds
// themselves are the data's (data/CharacterCriteria.h): files give them.
//
//   TResult<TCriterion> c = ParseCriterion(QStringLiteral("unordered"));
//   protocol << CriterionName(*c);   // "unordered (Fitch)"
#include <QString>

#include "data/CharacterCriteria.h"
#include "data/Result.h"

// The name for protocols and windows: "irreversible", "state tree,
// reversible", "ordered (Wagner)", "unordered (Fitch)".
QString CriterionName(TCriterion criterion);
// The word of the batch option: irreversible, reversible, ordered, unordered.
QString CriterionOption(TCriterion criterion);
// The batch option's word back; anything else is refused with the allowed words.
TResult<TCriterion> ParseCriterion(const QString& option);
