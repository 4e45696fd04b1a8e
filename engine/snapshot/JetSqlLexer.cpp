#include "engine/snapshot/JetSqlLexer.h"

namespace vantor {

bool JetToken::Is(const char* keyword) const {
    return kind == JetTokenKind::Word &&
           text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

bool JetToken::IsSymbol(char symbol) const {
    return kind == JetTokenKind::Symbol && text.size() == 1 && text[0] == QLatin1Char(symbol);
}

namespace {

bool isWordStart(QChar c) {
    return c.isLetter() || c == u'_';
}

bool isWordPart(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c.isMark();
}

} // namespace

QList<JetToken> LexJetSql(const QString& s) {
    QList<JetToken> tokens;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        QChar c = s[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        JetToken t;
        t.begin = i;
        if (c == u'[') {
            qsizetype close = s.indexOf(u']', i + 1);
            if (close < 0) {
                t.kind = JetTokenKind::Unfinished;
                i = n;
            } else {
                t.kind = JetTokenKind::Bracketed;
                t.text = s.mid(i + 1, close - i - 1);
                i = close + 1;
            }
        } else if (c == u'\'' || c == u'"') {
            // A doubled quote stands for one quote inside the literal.
            qsizetype j = i + 1;
            t.kind = JetTokenKind::Unfinished;
            while (j < n) {
                if (s[j] == c) {
                    if (j + 1 < n && s[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    t.kind = JetTokenKind::String;
                    ++j;
                    break;
                }
                ++j;
            }
            i = j;
            t.text = s.mid(t.begin, i - t.begin);
        } else if (c.isDigit()) {
            while (i < n && (s[i].isDigit() || s[i] == u'.'))
                ++i;
            t.kind = JetTokenKind::Number;
            t.text = s.mid(t.begin, i - t.begin);
        } else if (isWordStart(c)) {
            while (i < n && isWordPart(s[i]))
                ++i;
            t.kind = JetTokenKind::Word;
            t.text = s.mid(t.begin, i - t.begin);
        } else {
            t.kind = JetTokenKind::Symbol;
            t.text = QString(c);
            ++i;
        }
        t.end = i;
        tokens.append(t);
    }
    JetToken end;
    end.begin = end.end = n;
    tokens.append(end);
    return tokens;
}

} // namespace vantor
