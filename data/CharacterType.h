#pragma once
// The character type step: which type the jobs run with, and the lines that
// explain it in the protocol.
#include <optional>

#include "data/Global.h"

// The explanation lines of a type (the first is empty). With zeroIsPrimitive
// the Standard explanation mentions the predefined meaning of "0".
QStringList CharacterTypeExplanation(TCharacterType characterType, bool zeroIsPrimitive);

// What the "Character type" page holds: the type (none when none is chosen)
// and whether "0" is a primitive state.
struct TCharacterTypeChoice {
    std::optional<TCharacterType> Type;
    bool ZeroIsPrimitive = true;
};

// The character type step of the jobs: sets the model's CharacterType and
// returns the explanation for the protocol; without a chosen type the model
// stays as it is and nothing is returned.
std::optional<QStringList> ApplyCharacterType(TModel& model, const TCharacterTypeChoice& choice);
