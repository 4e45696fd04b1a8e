#pragma once

#include <QList>
#include <QString>

namespace vantor {

enum class JetTokenKind {
    Word,       // a bare name or keyword
    Bracketed,  // a name in square brackets; text holds the name without them
    String,     // a quoted literal; text holds it as written, quotes included
    Number,     // digits, with an optional fraction
    Symbol,     // any other single character: ( ) , ; . = ...
    Unfinished, // a bracket or quote that is never closed
    End
};

struct JetToken {
    JetTokenKind kind = JetTokenKind::End;
    QString text;
    qsizetype begin = 0; // offsets into the statement, so a view body can be cut out verbatim
    qsizetype end = 0;

    // A bare word equal to keyword regardless of case; a bracketed name is never a keyword.
    bool Is(const char* keyword) const;
    bool IsSymbol(char symbol) const;
};

// Splits a statement into tokens; the list always ends with one End token.
QList<JetToken> LexJetSql(const QString& statement);

} // namespace vantor
