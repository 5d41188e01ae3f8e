#pragma once
// The character type step: which type the jobs run with, and the lines that
// explain it in the protocol.
#include "data/Global.h"

// The explanation lines of a type (the first is empty). With zeroIsPrimitive
// the Standard explanation mentions the predefined meaning of "0".
QStringList CharacterTypeExplanation(int characterType, bool zeroIsPrimitive);
