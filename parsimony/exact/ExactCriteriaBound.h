#pragma once
// What the exact search knows before it starts about the lower bounds of the
// reversible characters, read at the level of the Fitch characters of a
// reversible field (weights per block).
//
// Every Fitch character left in the field costs at least one step on any
// tree (no state is common to all its cells). On a partial tree of the
// objects P, with U still to add, a character c at last takes at least
//   L_c(P) + max(new_c, place_c)
// steps: new_c counts the states that some object of U holds alone and no
// cell of P holds ("?" holds every state), each needing its own change;
// place_c is 1 when some object of U meets c's edge set at no place, so
// joins with a step wherever it goes. Binary characters that are pairwise
// incompatible on the objects with data for both (all four pairs of states
// seen) cannot all end with one step: at most one of a group does.
//
//   TReversibleBounds bounds(field, true);
//   bounds.Singles(o);            // per word: the states object o holds alone
//   bounds.Groups();              // cliques of incompatible binary characters
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
    struct TGroup {
        std::int64_t Weight = 1;
        std::vector<std::uint64_t> Slots;  // one word per block
    };
    const std::vector<TGroup>& Groups() const { return GroupList; }

private:
    const TReversibleField* F;
    std::vector<std::uint64_t> UsedSlots;
    std::vector<std::uint64_t> SingleBits;
    std::vector<TGroup> GroupList;
};

// True when binary Fitch characters (block, bit) a and b show all four pairs
// of states among the objects with data for both.
bool IncompatibleFitch(const TReversibleField& field, int blockA, int bitA, int blockB, int bitB);

// Per worker: the words a bound needs, sized for a field.
struct TReversibleBoundScratch {
    explicit TReversibleBoundScratch(const TReversibleField* field);
    std::vector<std::uint64_t> Union, Rest, Ones, Twos, High, Place, Must, Taken, Conflict;
};
