#include "analyses/StringToSet.h"

#include <QLocale>

TPart SplitStates(const QString& cell)
{
    TPart parts;
    qsizetype from = 0;
    for (;;) {
        const qsizetype amp = cell.indexOf(QLatin1Char('&'), from);
        if (amp < 0) break;
        parts.push_back(CutCell(cell.mid(from, amp - from)));
        from = amp + 1;
    }
    parts.push_back(CutCell(cell.mid(from)));
    return parts;
}

TStateList::TStateList() : Collator(QLocale()), Names(TLess{&Collator})
{
    Collator.setCaseSensitivity(Qt::CaseInsensitive);
}

void TStateList::Add(const QString& name)
{
    // Most cells repeat a spelling already met: skip the collator for those.
    if (Spellings.contains(name)) return;
    Spellings.insert(name, -1);
    if (Names.emplace(name, -1).second) Numbered = false;
}

void TStateList::Renumber()
{
    int k = 0;
    for (auto& entry : Names) entry.second = k++;
    for (auto it = Spellings.begin(); it != Spellings.end(); ++it) {
        const auto found = Names.find(it.key());
        it.value() = found == Names.end() ? -1 : found->second;
    }
    Numbered = true;
}

int TStateList::IndexOf(const QString& name)
{
    if (!Numbered) Renumber();
    const auto known = Spellings.constFind(name);
    if (known != Spellings.constEnd()) return known.value();
    const auto found = Names.find(name);
    return found == Names.end() ? -1 : found->second;
}

QStringList TStateList::Entries()
{
    QStringList out;
    out.reserve(static_cast<qsizetype>(Names.size()));
    for (const auto& entry : Names) out << entry.first;
    return out;
}

void CodeStandardField(TModel& model)
{
    const int objects = model.ObjectCount;
    const int characters = model.CharacterCount;
    TSField field;
    field.Places.Resize(characters);
    const QString missing = QStringLiteral("?");

    for (int c = 1; c <= characters; ++c) {
        TSPlace& place = field.Places[c];
        place.HasMissing = false;

        std::vector<TPart> cells(static_cast<size_t>(objects) + 1);
        TStateList states;
        for (int o = 1; o <= objects; ++o) {
            cells[static_cast<size_t>(o)] = SplitStates(model.Cell(c, o));
            for (const QString& part : cells[static_cast<size_t>(o)]) states.Add(part);
        }
        place.StateCount = states.Count();

        place.Inc.Assign(objects, TInclusion());
        for (int o = 1; o <= objects; ++o) {
            for (const QString& part : cells[static_cast<size_t>(o)]) {
                if (part == missing) {
                    place.HasMissing = true;
                    continue;
                }
                // Positions from 256 on cannot be members and are dropped.
                const int k = states.IndexOf(part);
                if (k >= 0 && k <= 255) place.Inc[o].Include(k);
            }
        }
        place.Name = model.Cell(c, 0);
    }

    field.Names.Resize(objects);
    for (int o = 1; o <= objects; ++o) field.Names[o] = model.Cell(0, o);
    model.SetCharField(std::move(field));
}
