#include "data/NexusLexer.h"

namespace {
bool IsBlank(QChar c) { return c.isSpace(); }

// NEXUS punctuation, less "-", "+" and "." which stay inside words (gaps,
// ranges such as 1-5, types such as irrev.up).
bool IsPunctuation(QChar c) { return QStringLiteral("()[]{}/\\,;:=*\"'`<>").contains(c); }
}  // namespace

QString TNexusToken::Name() const
{
    if (Kind == Quoted) return Text;
    QString name = Text;
    name.replace(QLatin1Char('_'), QLatin1Char(' '));
    return name;
}

bool TNexusLexer::Fail(int line, const QString& what)
{
    ErrorText = QStringLiteral("line %1: %2").arg(line).arg(what);
    return false;
}

bool TNexusLexer::SkipBlank()
{
    while (Pos < Text.size()) {
        const QChar c = Text.at(Pos);
        if (c == QLatin1Char('\n')) {
            ++CurrentLine;
            ++Pos;
        } else if (IsBlank(c)) {
            ++Pos;
        } else if (c == QLatin1Char('[')) {
            const int startLine = CurrentLine;
            int depth = 0;
            do {
                if (Pos >= Text.size())
                    return Fail(startLine, QStringLiteral("a comment \"[\" is never closed."));
                const QChar d = Text.at(Pos++);
                if (d == QLatin1Char('[')) ++depth;
                if (d == QLatin1Char(']')) --depth;
                if (d == QLatin1Char('\n')) ++CurrentLine;
            } while (depth > 0);
        } else {
            break;
        }
    }
    return true;
}

bool TNexusLexer::NextToken(TNexusToken& token)
{
    token = TNexusToken();
    if (!SkipBlank() || Pos >= Text.size()) return false;
    token.Line = CurrentLine;
    token.Start = Pos;
    const QChar c = Text.at(Pos);
    if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
        token.Kind = TNexusToken::Quoted;
        ++Pos;
        while (true) {
            if (Pos >= Text.size()) {
                const QString what = c == QLatin1Char('\'') ? QStringLiteral("a quoted word (')")
                                                            : QStringLiteral("a quoted text (\")");
                // A quote missing further up pairs every later quote wrongly;
                // the first quoted word that ran over a line end shows where.
                if (FirstLongQuote > 0 && FirstLongQuote < token.Line)
                    return Fail(FirstLongQuote,
                                QStringLiteral("%1 opened here runs over the end of the line, "
                                               "and the quotes after it do not pair up (the last "
                                               "one, on line %2, is never closed): a quote is "
                                               "probably missing here.")
                                    .arg(what)
                                    .arg(token.Line));
                return Fail(token.Line, what + QStringLiteral(" is never closed."));
            }
            const QChar d = Text.at(Pos++);
            if (d == QLatin1Char('\n')) ++CurrentLine;
            if (d == c) {
                if (Pos < Text.size() && Text.at(Pos) == c) {
                    token.Text += c;
                    ++Pos;
                    continue;
                }
                break;
            }
            token.Text += d;
        }
        if (FirstLongQuote == 0 && CurrentLine != token.Line) FirstLongQuote = token.Line;
    } else if (c == QLatin1Char(']')) {
        return Fail(CurrentLine, QStringLiteral("a \"]\" closes no comment."));
    } else if (IsPunctuation(c)) {
        token.Kind = TNexusToken::Punct;
        token.Text = c;
        ++Pos;
    } else {
        while (Pos < Text.size() && !IsBlank(Text.at(Pos)) && !IsPunctuation(Text.at(Pos))) ++Pos;
        token.Text = Text.mid(token.Start, Pos - token.Start);
    }
    token.End = Pos;
    return true;
}

TStatus TNexusLexer::ReadHeader()
{
    TNexusToken token;
    if (!NextToken(token)) {
        if (ErrorText.isEmpty()) ErrorText = QStringLiteral("the file is empty.");
        return Status();
    }
    if (!token.Is("#NEXUS"))
        Fail(token.Line,
             QStringLiteral("this is not a NEXUS file: it does not begin with #NEXUS."));
    return Status();
}

bool TNexusLexer::NextCommand(TNexusCommand& command)
{
    command = TNexusCommand();
    TNexusToken token;
    if (!NextToken(token)) return false;
    if (token.Kind != TNexusToken::Word)
        return Fail(token.Line,
                    QStringLiteral("expected a command, found \"%1\".").arg(token.Text));
    command.Name = token.Text.toUpper();
    command.Line = token.Line;
    while (true) {
        if (!NextToken(token)) {
            if (ErrorText.isEmpty())
                Fail(command.Line,
                     QStringLiteral("the command %1 does not end with \";\".").arg(command.Name));
            return false;
        }
        if (token.IsPunct(';')) {
            command.End = token.Start;
            return true;
        }
        command.Tokens.push_back(std::move(token));
    }
}

bool TNexusLexer::BlockHolds(const char* command) const
{
    TNexusLexer ahead(*this);
    TNexusToken token;
    bool atCommandStart = true;
    while (ahead.NextToken(token)) {
        if (atCommandStart && (token.Is("END") || token.Is("ENDBLOCK"))) return false;
        if (atCommandStart && token.Is(command)) return true;
        atCommandStart = token.IsPunct(';');
    }
    return false;
}

bool TNexusLexer::SkipBlock(const QString& blockName, int beginLine)
{
    // Tokens rather than commands: unknown blocks may hold text that is no
    // command (a private program's script).
    TNexusToken token;
    bool atCommandStart = true;
    while (NextToken(token)) {
        if (atCommandStart && (token.Is("END") || token.Is("ENDBLOCK"))) {
            while (NextToken(token))
                if (token.IsPunct(';')) return true;
            break;
        }
        atCommandStart = token.IsPunct(';');
    }
    if (ErrorText.isEmpty())
        Fail(beginLine, QStringLiteral("the block %1 has no END.").arg(blockName));
    return false;
}

QString NexusWord(const QString& word)
{
    bool quote = word.isEmpty();
    for (QChar c : word)
        if (IsBlank(c) || IsPunctuation(c) || c == QLatin1Char('_') || c == QLatin1Char('-') ||
            c == QLatin1Char('+'))
            quote = true;
    if (!quote) return word;
    QString quoted = word;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}
