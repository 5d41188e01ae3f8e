#include "parsimony/treefiles/NexusTrees.h"

#include <QHash>

#include "data/NexusLexer.h"
#include "parsimony/treefiles/Newick.h"

bool IsNexusText(const QString& text)
{
    TNexusLexer lexer(text);
    return lexer.ReadHeader().Ok();
}

TResult<TNewickTrees> ReadNexusTrees(const QString& text)
{
    TNewickTrees result;
    auto fail = [](const QString& error) {
        return TFailure(QStringLiteral("NEXUS trees, ") + error);
    };
    TNexusLexer lexer(text);
    if (TStatus header = lexer.ReadHeader(); !header) return fail(header.Error());
    QStringList taxa;
    QString block;
    bool anyTreesBlock = false;
    QHash<QString, QString> translate;
    TNexusCommand c;
    while (lexer.NextCommand(c)) {
        if (c.Name == QLatin1String("BEGIN")) {
            block = c.Tokens.empty() ? QString() : c.Tokens.front().Text.toUpper();
            if (block != QLatin1String("TREES") && block != QLatin1String("TAXA")) {
                if (!lexer.SkipBlock(block, c.Line)) break;
                block.clear();
            }
            if (block == QLatin1String("TREES")) {
                anyTreesBlock = true;
                translate.clear();
            }
        } else if (c.Name == QLatin1String("END") || c.Name == QLatin1String("ENDBLOCK")) {
            block.clear();
        } else if (block == QLatin1String("TAXA") && c.Name == QLatin1String("TAXLABELS")) {
            taxa.clear();
            for (const TNexusToken& t : c.Tokens) taxa << t.Name();
        } else if (block == QLatin1String("TREES") && c.Name == QLatin1String("TRANSLATE")) {
            const std::vector<TNexusToken>& t = c.Tokens;
            for (size_t i = 0; i < t.size(); i += 3) {
                if (i + 1 >= t.size() || (i + 2 < t.size() && !t[i + 2].IsPunct(',')))
                    return fail(QStringLiteral("line %1: TRANSLATE needs pairs of a key and a "
                                               "name, separated by \",\".")
                                    .arg(t[i].Line));
                translate.insert(t[i].Text, t[i + 1].Name());
            }
        } else if (block == QLatin1String("TREES") &&
                   (c.Name == QLatin1String("TREE") || c.Name == QLatin1String("UTREE"))) {
            size_t eq = 0;
            while (eq < c.Tokens.size() && !c.Tokens[eq].IsPunct('=')) ++eq;
            if (eq + 1 >= c.Tokens.size())
                return fail(
                    QStringLiteral("line %1: TREE needs a name, \"=\" and a tree.").arg(c.Line));
            const qsizetype start = c.Tokens[eq + 1].Start;
            const auto one =
                ReadNewick(lexer.Source().mid(start, c.End - start) + QLatin1Char(';'));
            if (!one)
                return fail(QStringLiteral("the tree starting on line %1: %2")
                                .arg(c.Tokens[eq + 1].Line)
                                .arg(one.Error()));
            for (TNewickTree tree : one->Trees) {
                for (TNewickNode& node : tree.Nodes) {
                    if (!node.Children.empty()) continue;
                    // ReadNewick gave "_" as a blank; keys are compared as written.
                    QString key = node.Name;
                    if (!translate.contains(key)) key.replace(QLatin1Char(' '), QLatin1Char('_'));
                    if (translate.contains(key)) {
                        node.Name = translate.value(key);
                    } else if (translate.isEmpty()) {
                        bool ok = false;
                        const int number = node.Name.toInt(&ok);
                        if (ok && number >= 1 && number <= taxa.size())
                            node.Name = taxa[number - 1];
                    }
                }
                result.Trees.push_back(std::move(tree));
                result.TreeNames.push_back(eq > 0 ? c.Tokens[eq - 1].Name() : QString());
            }
        }
    }
    if (!lexer.Status()) return fail(lexer.Status().Error());
    if (result.Trees.empty())
        return fail(anyTreesBlock ? QStringLiteral("the TREES block holds no TREE.")
                                  : QStringLiteral("the file has no TREES block."));
    return result;
}

TResult<TNewickTrees> ReadTreeText(const QString& text)
{
    return IsNexusText(text) ? ReadNexusTrees(text) : ReadNewick(text);
}

QString WriteNexusTrees(const std::vector<const TTree*>& trees, const std::vector<QString>& names,
                        const std::vector<double>& lengths)
{
    return WriteNexusTrees(
        trees.size(), names,
        [&](size_t k, const std::vector<QString>& keys) { return WriteNewick(*trees[k], keys); },
        lengths);
}

QString WriteNexusTrees(size_t count, const std::vector<QString>& names,
                        const std::function<QString(size_t, const std::vector<QString>&)>& newick,
                        const std::vector<double>& lengths)
{
    QStringList lines{QStringLiteral("#NEXUS"), QString(), QStringLiteral("BEGIN TREES;"),
                      QStringLiteral("    TRANSLATE")};
    std::vector<QString> keys(names.size());
    for (size_t o = 1; o < names.size(); ++o) {
        keys[o] = QString::number(o);
        // One arg() call: a name holding "%3" must not take the comma.
        lines << QStringLiteral("        %1 %2%3")
                     .arg(QString::number(o), NexusWord(names[o]),
                          o + 1 < names.size() ? QStringLiteral(",") : QString());
    }
    lines << QStringLiteral("    ;");
    for (size_t k = 0; k < count; ++k)
        lines << QStringLiteral("    TREE tree_%1 = [&R] %2%3")
                     .arg(QString::number(k + 1),
                          k < lengths.size() ? LengthComment(lengths[k]) + QLatin1Char(' ')
                                             : QString(),
                          newick(k, keys));
    lines << QStringLiteral("END;") << QString();
    return lines.join(QStringLiteral("\r\n"));
}
