#include "analyses/Matroschka.h"

#include "analyses/StringToSet.h"

TOnion ParsePointer(const QString& cell)
{
    TOnion onion;
    const qsizetype p1 = cell.indexOf(QLatin1Char('['));
    if (p1 < 0) {
        onion.State = QStringLiteral("?");
        return onion;
    }
    onion.State = cell.left(p1);
    const qsizetype p2 = cell.indexOf(QLatin1Char(']'));
    if (p2 > p1) onion.Ancestor = cell.mid(p1 + 1, p2 - p1 - 1);
    return onion;
}

void TMatroschka::SetCellStates(const QStringList& sortedCells)
{
    CellStates.clear();
    CellStates.reserve(static_cast<size_t>(sortedCells.size()));
    for (const QString& cell : sortedCells) {
        const TOnion parsed = ParsePointer(cell);
        CellStates.push_back({parsed.State, parsed.Ancestor, TInclusion()});
    }
    // The walk takes the first record of a state, so earlier records win.
    FirstRecord.clear();
    for (int i = static_cast<int>(CellStates.size()) - 1; i >= 0; --i)
        FirstRecord.insert(CellStates[static_cast<size_t>(i)].State, i);
}

TInclusion TMatroschka::OnionOf(const QString& name) const
{
    TInclusion result;
    if (!MissingAsState && name == QLatin1String("?")) return result;
    std::vector<bool> visited(CellStates.size(), false);
    QString current = name;
    for (;;) {
        const auto found = FirstRecord.constFind(current);
        if (found == FirstRecord.constEnd()) break;  // unknown ancestor
        const int i = found.value();
        if (visited[static_cast<size_t>(i)]) break;  // cycle
        visited[static_cast<size_t>(i)] = true;
        result.Include(i);
        current = CellStates[static_cast<size_t>(i)].Ancestor;
        if (current.isEmpty() || current == QLatin1String(" ")) break;
    }
    return result;
}

void TMatroschka::CodePointerField(TModel& model)
{
    const int objects = model.ObjectCount;
    const int characters = model.CharacterCount;
    TSField field;
    field.Places.Resize(characters);

    for (int c = 1; c <= characters; ++c) {
        TSPlace& place = field.Places[c];
        place.HasMissing = false;

        TStateList cells;
        for (int o = 1; o <= objects; ++o) cells.Add(model.Cell(c, o));
        SetCellStates(cells.Entries());
        for (TCharState& record : CellStates) record.Onion = OnionOf(record.State);

        // An object takes the onion of the last record with its state.
        QHash<QString, int> lastRecord;
        for (int i = 0; i < static_cast<int>(CellStates.size()); ++i)
            lastRecord.insert(CellStates[static_cast<size_t>(i)].State, i);

        ObjectCells.assign(static_cast<size_t>(objects) + 1, TOnion());
        place.Inc.Assign(objects, TInclusion());
        for (int o = 1; o <= objects; ++o) {
            TOnion& cell = ObjectCells[static_cast<size_t>(o)];
            cell = ParsePointer(model.Cell(c, o));
            if (cell.State == QLatin1String("?")) place.HasMissing = true;
            const auto found = lastRecord.constFind(cell.State);
            if (found != lastRecord.constEnd())
                place.Inc[o] = CellStates[static_cast<size_t>(found.value())].Onion;
        }
        place.StateCount = static_cast<int>(CellStates.size());
        place.Name = model.Cell(c, 0);
    }

    field.Names.Resize(objects);
    for (int o = 1; o <= objects; ++o) field.Names[o] = model.Cell(0, o);
    model.SetCharField(std::move(field));
}

void CodePointerField(TModel& model)
{
    TMatroschka builder(model.MissingAsState);
    builder.CodePointerField(model);
}
