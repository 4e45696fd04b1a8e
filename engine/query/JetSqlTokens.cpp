#include "engine/query/JetSqlTokens.h"

namespace vantor::jetsql {

bool Token::Is(const char* word) const {
    return kind == TokenKind::Word && text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool Token::IsSymbol(char symbol) const {
    return kind == TokenKind::Symbol && text.size() == 1 && text[0] == QLatin1Char(symbol);
}

QString Token::Name() const {
    return kind == TokenKind::Bracketed ? text.mid(1, text.size() - 2) : text;
}

namespace {

bool isWordChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

// The end of a quoted run that starts at begin; a doubled quote stands for itself.
qsizetype quotedEnd(const QString& sql, qsizetype begin, QChar quote, const char* what) {
    for (qsizetype i = begin + 1; i < sql.size(); ++i) {
        if (sql[i] != quote)
            continue;
        if (i + 1 < sql.size() && sql[i + 1] == quote && quote != QLatin1Char('#')) {
            ++i;
            continue;
        }
        return i + 1;
    }
    throw SyntaxError(QStringLiteral("%1 is never closed").arg(QLatin1String(what)), begin);
}

} // namespace

QList<Token> Tokenize(const QString& sql) {
    QList<Token> out;
    QList<qsizetype> open;
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token t;
        t.begin = i;
        t.depth = static_cast<int>(open.size());
        if (c == QLatin1Char('[')) {
            const qsizetype close = sql.indexOf(QLatin1Char(']'), i);
            if (close < 0)
                throw SyntaxError(QStringLiteral("A bracketed name is never closed"), i);
            t.kind = TokenKind::Bracketed;
            i = close + 1;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            t.kind = TokenKind::String;
            i = quotedEnd(sql, i, c, "A string");
        } else if (c == QLatin1Char('#')) {
            t.kind = TokenKind::Date;
            i = quotedEnd(sql, i, c, "A date");
        } else if (c.isDigit() ||
                   (c == QLatin1Char('.') && i + 1 < sql.size() && sql[i + 1].isDigit() &&
                    (out.isEmpty() || !out.last().IsName()))) {
            t.kind = TokenKind::Number;
            while (i < sql.size() && (sql[i].isLetterOrNumber() || sql[i] == QLatin1Char('.')))
                ++i;
        } else if (isWordChar(c)) {
            t.kind = TokenKind::Word;
            while (i < sql.size() && isWordChar(sql[i]))
                ++i;
        } else {
            t.kind = TokenKind::Symbol;
            const QString two = sql.mid(i, 2);
            const bool pair = two == QLatin1String("<=") || two == QLatin1String(">=") ||
                              two == QLatin1String("<>");
            i += pair ? 2 : 1;
            if (c == QLatin1Char('(')) {
                open.append(t.begin);
            } else if (c == QLatin1Char(')')) {
                if (open.isEmpty())
                    throw SyntaxError(QStringLiteral("A parenthesis closes that was never opened"),
                                      t.begin);
                open.removeLast();
                t.depth = static_cast<int>(open.size());
            }
        }
        t.end = i;
        t.text = sql.mid(t.begin, t.end - t.begin);
        out.append(t);
    }
    if (!open.isEmpty())
        throw SyntaxError(QStringLiteral("A parenthesis is never closed"), open.last());
    return out;
}

} // namespace vantor::jetsql
