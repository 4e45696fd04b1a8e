#pragma once

#include <QList>
#include <QString>
#include <stdexcept>

namespace vantor::jetsql {

enum class TokenKind { Word, Bracketed, String, Date, Number, Symbol };

struct Token {
    TokenKind kind = TokenKind::Symbol;
    QString text; // as written
    qsizetype begin = 0;
    qsizetype end = 0; // one past the last character
    int depth = 0;     // parentheses open before it

    // A keyword is a plain word; a bracketed [Select] is a name.
    bool Is(const char* word) const;
    bool IsSymbol(char symbol) const;
    bool IsName() const { return kind == TokenKind::Word || kind == TokenKind::Bracketed; }
    QString Name() const; // the word, or what the brackets hold
};

class SyntaxError : public std::runtime_error {
public:
    SyntaxError(const QString& message, qsizetype position)
        : std::runtime_error(message.toStdString()), position(position) {}
    qsizetype position;
};

// The tokens of a statement; unclosed strings, brackets and parentheses are syntax errors.
QList<Token> Tokenize(const QString& sql);

} // namespace vantor::jetsql
