#pragma once
// The character fit of one tree: the evolutionary steps each character needs
// on it, and whether the tree explains the character with every state arising
// once (compatible) or needs extra steps (homoplasy).
#include <QStringList>
#include <vector>

#include "parsimony/length/CriteriaCoding.h"
#include "parsimony/length/MakeTree.h"
#include "parsimony/thorough/ThoroughTree.h"

// "Characters", "No of states", "Evolutionary steps", "Compatibility", "Homoplasy".
QStringList CharFitHeader();

// The header and one row per character 1..CharacterCount of charField: name,
// state count (" + ?" when some object is missing), steps rounded, and
// "yes"/"no" for compatible (steps = states - 1) and the opposite for homoplasy.
// The tree is evaluated with the missing-data rule first, so that every
// character is counted on the same node states whatever rule the search used;
// afterwards its fits and Fitness are those of that rule.
std::vector<QStringList> CharFitTable(TTree& tree, const TSField& charField);

// The same table on a compact tree of any size (every object a tip), the
// steps counted under the missing-data rule as above.
std::vector<QStringList> CompactCharFitTable(const TCompactTree& tree, const TSField& charField);

// The same under each character's criterion (coding of the same data as
// charField): a reversible character's steps are counted reversibly and it
// is compatible when they are its fewest on any tree (MinimumSteps; "?"
// when that is not worked out).
std::vector<QStringList> CriteriaFitTable(TTree& tree, const TSField& charField,
                                          const TCriteriaCoding& coding);
// The same on a compact tree of any size (every object a tip).
std::vector<QStringList> CompactCriteriaFitTable(const TCompactTree& tree, const TSField& charField,
                                                 const TCriteriaCoding& coding);
