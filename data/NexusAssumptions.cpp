// The ASSUMPTIONS, SETS and PAUP commands that give characters their types.
#include <algorithm>

#include "data/NexusParser.h"

bool TNexusMatrixParser::CharacterList(const TNexusTokens& t, size_t from, size_t to,
                                       std::vector<int>* list)
{
    auto number = [&](const QString& text, int line, int* value) {
        if (text == QLatin1String(".")) {
            *value = NChar;
            return true;
        }
        bool ok = false;
        *value = text.toInt(&ok);
        if (ok && *value >= 1 && *value <= NChar) return true;
        const qsizetype named = M.CharacterNames.indexOf(text);
        if (named >= 0) {
            *value = static_cast<int>(named) + 1;
            return true;
        }
        return Fail(line, QStringLiteral("\"%1\" is no character (1 to %2).").arg(text).arg(NChar));
    };
    for (size_t i = from; i < to; ++i) {
        const TNexusToken& tok = t[i];
        if (tok.IsPunct(',')) continue;
        if (tok.Is("ALL")) {
            for (int k = 1; k <= NChar; ++k) list->push_back(k);
            continue;
        }
        if (tok.Kind != TNexusToken::Punct && CharSets.contains(tok.Name().toLower())) {
            const std::vector<int>& set = CharSets[tok.Name().toLower()];
            list->insert(list->end(), set.begin(), set.end());
            continue;
        }
        // "3-7", "3 - 7", "3-.", optionally followed by "\2".
        QString text = tok.Name();
        if (tok.Kind == TNexusToken::Word && i + 2 < to && t[i + 1].Text == QLatin1String("-")) {
            text += QLatin1Char('-') + t[i + 2].Text;
            i += 2;
        } else if (tok.Kind == TNexusToken::Word && text.endsWith(QLatin1Char('-')) && i + 1 < to) {
            text += t[++i].Text;
        }
        const qsizetype dash =
            tok.Kind == TNexusToken::Word ? text.indexOf(QLatin1Char('-'), 1) : -1;
        int first = 0, last = 0, step = 1;
        if (dash < 0) {
            if (!number(text, tok.Line, &first)) return false;
            last = first;
        } else if (!number(text.left(dash), tok.Line, &first) ||
                   !number(text.mid(dash + 1), tok.Line, &last)) {
            return false;
        }
        if (i + 2 < to && t[i + 1].IsPunct('\\')) {
            step = std::max(1, t[i + 2].Text.toInt());
            i += 2;
        }
        for (int k = first; k <= last; k += step) list->push_back(k);
    }
    return true;
}

bool TNexusMatrixParser::TypeAssignments(const TNexusTokens& t, size_t from, int line)
{
    // "ord: 1-3 5, unord: 4" (TYPESET) or "ord: 1-3 unord: 4" (CTYPE).
    QString type;
    size_t start = from;
    auto flush = [&](size_t end) {
        if (type.isEmpty())
            return end == start ||
                   Fail(line,
                        QStringLiteral("a character list needs a type before it (as ord: 1-3)."));
        std::vector<int> list;
        if (!CharacterList(t, start, end, &list)) return false;
        for (int k : list) M.Types[static_cast<size_t>(k - 1)] = type;
        return true;
    };
    for (size_t i = from; i < t.size(); ++i)
        if (i + 1 < t.size() && t[i + 1].IsPunct(':') && t[i].Kind != TNexusToken::Punct) {
            if (!flush(i)) return false;
            type = t[i].Name().toLower();
            start = i + 2;
            ++i;
        }
    return flush(t.size());
}

bool TNexusMatrixParser::AssumptionsCommand(const TNexusCommand& c)
{
    const TNexusTokens& t = c.Tokens;
    auto afterEquals = [&](size_t from) {
        for (size_t i = from; i < t.size(); ++i)
            if (t[i].IsPunct('=')) return i + 1;
        return t.size() + 1;
    };
    if (c.Name == QLatin1String("USERTYPE")) {
        const size_t eq = afterEquals(0);
        if (t.empty() || eq > t.size())
            return Fail(c.Line, QStringLiteral("USERTYPE needs a name and \"=\"."));
        TNexusUserType type;
        type.Name = t[0].Name();
        type.Line = c.Line;
        for (size_t i = 1; i + 1 < eq; ++i)
            if (t[i].Is("CSTREE")) type.IsStateTree = true;
        if (type.IsStateTree) {
            const qsizetype start = eq < t.size() ? t[eq].Start : c.End;
            type.Description = Lexer.Source().mid(start, c.End - start);
        }
        M.UserTypes.insert(type.Name.toLower(), type);
        return true;
    }
    if (c.Name == QLatin1String("CHARSET")) {
        const size_t eq = afterEquals(0);
        if (t.empty() || eq > t.size() || !EnsureCharacters(c.Line))
            return Fail(c.Line, QStringLiteral("CHARSET needs a name, \"=\" and characters."));
        std::vector<int> list;
        if (!CharacterList(t, eq, t.size(), &list)) return false;
        CharSets.insert(t[t[0].IsPunct('*') ? 1 : 0].Name().toLower(), list);
        return true;
    }
    if (c.Name == QLatin1String("OPTIONS")) {
        for (size_t i = 0; i + 2 < t.size(); ++i)
            if (t[i].Is("DEFTYPE") && t[i + 1].IsPunct('='))
                M.DefaultType = t[i + 2].Name().toLower();
        return true;
    }
    if (c.Name == QLatin1String("TYPESET") || c.Name == QLatin1String("CTYPE")) {
        if (!EnsureCharacters(c.Line)) return false;
        const bool typeset = c.Name == QLatin1String("TYPESET");
        if (typeset && (t.empty() || !t[0].IsPunct('*'))) {
            M.Notes
                << QStringLiteral("line %1: a TYPESET without \"*\" is not applied.").arg(c.Line);
            return true;
        }
        for (const TNexusToken& tok : t)
            if (tok.Is("VECTOR"))
                return Fail(c.Line,
                            QStringLiteral("%1 in the VECTOR format cannot be read.").arg(c.Name));
        const size_t eq = afterEquals(0);
        return TypeAssignments(t, eq <= t.size() ? eq : 0, c.Line);
    }
    return true;
}
