#pragma once
// What the parsimony window decides without widgets: reading its two edit
// texts before anything is computed, whether the coded characters still
// belong to the loaded data, and the protocol of a cancelled run.
#include <QString>
#include <QStringList>

#include "data/Global.h"
#include "data/Result.h"

// An edit text as a decimal integer (blanks around it allowed); a failure
// says "'abc' is not a valid integer value".
TResult<int> ReadIntegerText(const QString& text);

struct TSearchRequest {
    int TreeCount = 0;
    int Generations = 0;
};

// "No. of trees" and "Generations" as typed: both must be integers, then the
// search's limits apply (objects, 1..255 trees, 0 or more generations).
TResult<TSearchRequest> ReadSearchRequest(const QString& treesText, const QString& generationsText,
                                          int objectCount);

// True when the model's CharField is the parsimony coding of its current
// data (by revision). Data loaded or edited after Job > Parsimony was chosen
// are not coded yet, and another job replaces the coding by its own.
bool CodingFitsData(const TModel& model);
inline const QString CodingOutdated = QStringLiteral(
    "The data were changed or another job was run since Job > Parsimony was chosen. Choose Job > "
    "Parsimony again.");

// The protocol of Job > Parsimony after the character type's explanation, as
// the window and "varno-batch parsimony" write it: an empty line, the state
// limits of the coding (the batch tool reports them apart), then the choice.
QStringList ParsimonyStartLines(const QStringList& stateLimits);

// The protocol after a cancelled run: what was done, the missing-data note
// and two empty lines.
QStringList CancelledProtocolLines(int treesGrown, int treesAsked, int generationsDone,
                                   int generationsAsked, bool missingData);
