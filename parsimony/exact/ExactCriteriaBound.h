#pragma once
// What the exact search knows before it starts about the lower bounds of the
// reversible characters, read at the level of the Fitch characters of a
// reversible field (weights per block). A Fitch character is slot
// 64 * block + bit.
//
// Every Fitch character left in the field costs at least its minimum: the
// states some cell holds alone, less one (and at least one step: no state is
// common to all its cells). On a partial tree of the objects P, with U still
// to add, a character c at last takes at least
//   L_c(P) + max(new_c, place_c)
// steps: new_c counts the states that some object of U holds alone and no
// cell of P holds ("?" holds every state), each needing its own change;
// place_c is 1 when some object of U meets c's edge set at no place, so
// joins with a step wherever it goes. A character at its minimum has every
// state in one connected part of the tree, so two characters that are
// incompatible on the objects holding one state in both (their states'
// pairs form a cycle) cannot both end at their minimum: within a group of
// pairwise incompatible characters at most one does.
//
//   TReversibleBounds bounds(field, true);
//   bounds.Singles(o);            // per word: the states object o holds alone
//   bounds.Minimum(slot);         // the character's fewest steps on any tree
//   bounds.Groups();              // cliques of incompatible characters
#include <cstdint>
#include <vector>

#include "parsimony/length/ReversibleField.h"

class TReversibleBounds {
public:
    // groups false: no groups of incompatible characters.
    TReversibleBounds(const TReversibleField& field, bool groups);

    const TReversibleField& Field() const { return *F; }
    int BlockCount() const { return static_cast<int>(UsedSlots.size()); }
    // The slots of block k that hold a character.
    std::uint64_t Used(int block) const { return UsedSlots[static_cast<size_t>(block)]; }
    // The field's words of object o: the bits where its cell is that one state.
    const std::uint64_t* Singles(int object) const
    {
        return SingleBits.data() + static_cast<size_t>(object) * static_cast<size_t>(F->Words());
    }
    std::int64_t Minimum(int slot) const { return Minimums[static_cast<size_t>(slot)]; }
    struct TGroup {
        std::int64_t Weight = 1;
        std::vector<int> Slots;
    };
    const std::vector<TGroup>& Groups() const { return GroupList; }

private:
    const TReversibleField* F;
    std::vector<std::uint64_t> UsedSlots;
    std::vector<std::uint64_t> SingleBits;
    std::vector<std::int64_t> Minimums;  // per slot
    std::vector<TGroup> GroupList;
};

// True when Fitch characters (slots) a and b are incompatible on the objects
// that hold one state in both: the pairs of states seen there form a cycle.
bool IncompatibleFitch(const TReversibleField& field, int slotA, int slotB);

// Per worker: the words and counts a bound needs, sized for a field.
struct TReversibleBoundScratch {
    explicit TReversibleBoundScratch(const TReversibleField* field);
    std::vector<std::uint64_t> Union, Rest, Place, Must, Need, Taken, Conflict;
    std::vector<std::int64_t> Steps, Fresh;  // per slot
    std::vector<char> Low;                   // per slot: may still end at its minimum
};
