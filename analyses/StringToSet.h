#pragma once
// Standard coding of the analyses: a cell is a list of state names joined by
// "&"; each character's states are numbered by their place in a sorted list.
#include <QCollator>
#include <QHash>
#include <map>

#include "data/Global.h"

// Splits a cell on "&"; nothing is trimmed, empty parts are kept.
TPart SplitStates(const QString& cell);

// A sorted list of names without duplicates, compared case-insensitively in
// the user's locale; a name keeps the spelling of its first occurrence. One
// collator decides sorting, duplicates and lookup alike.
class TStateList {
public:
    TStateList();
    TStateList(const TStateList&) = delete;
    TStateList& operator=(const TStateList&) = delete;

    // Ignored when an equal name is already present.
    void Add(const QString& name);
    int Count() const { return static_cast<int>(Names.size()); }
    // 0-based position in sorted order, -1 when absent.
    int IndexOf(const QString& name);
    // The entries in sorted order.
    QStringList Entries();

private:
    struct TLess {
        const QCollator* Collator;
        bool operator()(const QString& a, const QString& b) const
        {
            return Collator->compare(a, b) < 0;
        }
    };
    void Renumber();

    QCollator Collator;
    std::map<QString, int, TLess> Names;  // first spelling -> position
    QHash<QString, int> Spellings;        // every spelling added -> position
    bool Numbered = true;
};

// Fills model.CharField with the Standard coding of every character.
void CodeStandardField(TModel& model);
