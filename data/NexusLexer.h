#pragma once
// Splitting NEXUS text into blocks, commands and tokens.
//
//   TNexusLexer lexer(text);
//   if (TStatus header = lexer.ReadHeader(); !header) return header.Error();
//   TNexusCommand command;
//   while (lexer.NextCommand(command)) { ... command.Name, command.Tokens ... }
//   if (!lexer.Status()) return lexer.Status().Error();
//
// Comments "[...]" (nested) are skipped; 'quoted words' keep blanks and
// punctuation ('' stands for one quote); "double-quoted" text is one token
// too (SYMBOLS="0 1 2"). Errors name the line.
#include <QString>
#include <vector>

#include "data/Result.h"

struct TNexusToken {
    enum TKind { Word, Quoted, Punct };
    TKind Kind = Word;
    QString Text;
    int Line = 0;
    qsizetype Start = 0;  // offset in the text
    qsizetype End = 0;    // one past the token

    bool Is(const char* word) const
    {
        return Kind != Quoted && Text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool IsPunct(char c) const { return Kind == Punct && Text.at(0) == QLatin1Char(c); }
    // A name as NEXUS means it: in unquoted words "_" stands for a blank.
    QString Name() const;
};

// One command up to its ";": the first word (upper case) and the tokens after it.
struct TNexusCommand {
    QString Name;
    int Line = 0;
    std::vector<TNexusToken> Tokens;
    qsizetype End = 0;  // offset of the ";"
};

class TNexusLexer {
public:
    explicit TNexusLexer(const QString& text) : Text(text) {}

    // Checks for "#NEXUS" at the start.
    TStatus ReadHeader();
    // The next command, BEGIN and END included; false at the end of the text
    // or on an error (then Status() fails).
    bool NextCommand(TNexusCommand& command);
    // Skips to the END (or ENDBLOCK) of the current block; false on an error.
    bool SkipBlock(const QString& blockName, int beginLine);
    // True when the rest of the current block holds the command; reads nothing.
    bool BlockHolds(const char* command) const;

    // Fails once the text has shown an error; the reading stops there.
    TStatus Status() const
    {
        if (ErrorText.isEmpty()) return {};
        return TFailure(ErrorText);
    }
    const QString& Source() const { return Text; }
    int Line() const { return CurrentLine; }

private:
    bool SkipBlank();
    bool NextToken(TNexusToken& token);
    bool Fail(int line, const QString& what);

    const QString& Text;
    qsizetype Pos = 0;
    int CurrentLine = 1;
    int FirstLongQuote = 0;  // the line of the first quoted word over a line end
    QString ErrorText;
};

// A word as a NEXUS file needs it: quoted with ' when it holds blanks,
// punctuation or "_" (a quote inside is doubled); empty words become ''.
QString NexusWord(const QString& word);
