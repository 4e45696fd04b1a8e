#include "engine/query/JetSql.h"

#include "engine/query/JetSqlTokens.h"

#include <QHash>
#include <array>

namespace vantor::jetsql {

namespace {

constexpr std::array kClauseWords{"INTO",  "FROM",  "WHERE", "GROUP", "HAVING",
                                  "ORDER", "PIVOT", "SET",   "VALUES"};

// Words that end a table's name in FROM rather than alias it.
constexpr std::array kNotAnAlias{"INNER", "LEFT", "RIGHT", "ON",    "WHERE", "GROUP", "HAVING",
                                 "ORDER", "IN",   "SET",   "PIVOT", "UNION", "WITH"};

class Parser {
public:
    explicit Parser(const QString& sql) : sql_(sql), tokens_(Tokenize(sql)) {}

    Statement Run() {
        qsizetype begin = 0;
        qsizetype end = tokens_.size();
        if (end > 0 && at(end - 1).IsSymbol(';') && at(end - 1).depth == 0)
            --end;
        if (begin < end && at(begin).Is("PARAMETERS")) {
            const qsizetype semicolon =
                findTop(begin, end, [](const Token& t) { return t.IsSymbol(';'); });
            if (semicolon == end)
                fail(QStringLiteral("PARAMETERS ends without a semicolon"), begin);
            for (auto [b, e] : splitTop(begin + 1, semicolon))
                parameter(b, e);
            begin = semicolon + 1;
        }
        if (end - begin >= 3 && at(end - 3).Is("WITH") && at(end - 2).Is("OWNERACCESS") &&
            at(end - 1).Is("OPTION")) {
            st_.ownerAccess = true;
            end -= 3;
        }
        if (begin >= end)
            fail(QStringLiteral("There is no statement"), begin);
        const Token& first = at(begin);
        if (first.Is("TRANSFORM"))
            crosstab(begin, end);
        else if (first.Is("SELECT") || first.IsSymbol('('))
            selectOrUnion(begin, end);
        else if (first.Is("INSERT"))
            insert(begin, end);
        else if (first.Is("UPDATE"))
            update(begin, end);
        else if (first.Is("DELETE"))
            remove(begin, end);
        else
            fail(QStringLiteral("No query starts with %1").arg(first.text), begin);
        return st_;
    }

private:
    const Token& at(qsizetype i) const {
        if (i < 0 || i >= tokens_.size())
            fail(QStringLiteral("The statement ends too soon"), sql_.size());
        return tokens_[i];
    }

    [[noreturn]] void fail(const QString& message, qsizetype token) const {
        const qsizetype position =
            token < tokens_.size() ? tokens_[token].begin : static_cast<qsizetype>(sql_.size());
        throw SyntaxError(message, position);
    }

    void expect(qsizetype i, const char* word) const {
        if (!at(i).Is(word))
            fail(QStringLiteral("%1 expected").arg(QLatin1String(word)), i);
    }

    QString slice(qsizetype b, qsizetype e) const {
        if (b >= e)
            return QString();
        return sql_.mid(tokens_[b].begin, tokens_[e - 1].end - tokens_[b].begin);
    }

    // The first token in [b, e) at the depth of b that matches, or e.
    template <typename Match> qsizetype findTop(qsizetype b, qsizetype e, Match match) const {
        if (b >= e)
            return e;
        const int depth = tokens_[b].IsSymbol(')') ? tokens_[b].depth + 1 : tokens_[b].depth;
        for (qsizetype i = b; i < e; ++i)
            if (tokens_[i].depth == depth && !tokens_[i].IsSymbol(')') && match(tokens_[i]))
                return i;
        return e;
    }

    qsizetype findWord(qsizetype b, qsizetype e, const char* word) const {
        return findTop(b, e, [word](const Token& t) { return t.Is(word); });
    }

    // The ranges between the commas at the depth of b.
    QList<std::pair<qsizetype, qsizetype>> splitTop(qsizetype b, qsizetype e) const {
        QList<std::pair<qsizetype, qsizetype>> out;
        while (b < e) {
            const qsizetype comma = findTop(b, e, [](const Token& t) { return t.IsSymbol(','); });
            if (comma == b)
                fail(QStringLiteral("An item is missing before a comma"), b);
            out.append({b, comma});
            b = comma + 1;
            if (comma < e && b == e)
                fail(QStringLiteral("An item is missing after a comma"), comma);
        }
        return out;
    }

    qsizetype closing(qsizetype open) const {
        for (qsizetype i = open + 1; i < tokens_.size(); ++i)
            if (tokens_[i].IsSymbol(')') && tokens_[i].depth == tokens_[open].depth)
                return i;
        fail(QStringLiteral("A parenthesis is never closed"), open);
    }

    void parameter(qsizetype b, qsizetype e) {
        if (e - b < 2 || !at(b).IsName())
            fail(QStringLiteral("A parameter needs a name and a type"), b);
        st_.parameters.append({at(b).Name(), slice(b + 1, e)});
    }

    void predicates(qsizetype& i, qsizetype e) {
        for (; i < e; ++i) {
            const Token& t = at(i);
            if (t.Is("DISTINCT")) {
                st_.distinct = true;
            } else if (t.Is("DISTINCTROW")) {
                st_.distinctRow = true;
            } else if (t.Is("ALL")) {
            } else if (t.Is("TOP")) {
                if (at(i + 1).kind != TokenKind::Number)
                    fail(QStringLiteral("TOP needs a number"), i + 1);
                st_.top = at(++i).text;
                if (i + 1 < e && at(i + 1).Is("PERCENT")) {
                    st_.topPercent = true;
                    ++i;
                }
            } else {
                return;
            }
        }
    }

    Output output(qsizetype b, qsizetype e) const {
        if (e - b >= 3 && at(e - 2).Is("AS") && at(e - 1).IsName())
            return {slice(b, e - 2), at(e - 1).Name()};
        return {slice(b, e), QString()};
    }

    void outputs(qsizetype b, qsizetype e) {
        for (auto [ob, oe] : splitTop(b, e)) {
            if (oe - ob == 1 && at(ob).IsSymbol('*'))
                st_.allFields = true;
            else
                st_.outputs.append(output(ob, oe));
        }
    }

    // IN 'path' [connect], the IN at i.
    OtherDatabase otherDatabase(qsizetype i, qsizetype e) const {
        if (i + 1 >= e || at(i + 1).kind != TokenKind::String)
            fail(QStringLiteral("IN needs the path of a database"), i + 1);
        OtherDatabase out{unquoted(at(i + 1).text), {}};
        if (i + 2 < e) {
            const Token& connect = at(i + 2);
            out.connect =
                connect.kind == TokenKind::String ? unquoted(connect.text) : connect.Name();
            if (i + 3 < e)
                fail(QStringLiteral("Something follows the other database"), i + 3);
        }
        return out;
    }

    static QString unquoted(const QString& s) {
        const QString quote = s.left(1);
        return s.mid(1, s.size() - 2).replace(quote + quote, quote);
    }

    Target target(qsizetype b, qsizetype e) const {
        const qsizetype in = findWord(b, e, "IN");
        if (in == b)
            fail(QStringLiteral("A target needs a name"), b);
        Target t{Unbracketed(slice(b, in)), std::nullopt};
        if (in < e)
            t.database = otherDatabase(in, e);
        return t;
    }

    // The clause keywords of a select body at the depth of b, each where it first appears.
    QHash<QString, qsizetype> clauses(qsizetype b, qsizetype e) const {
        QHash<QString, qsizetype> out;
        const int depth = at(b).depth;
        for (qsizetype i = b; i < e; ++i) {
            if (tokens_[i].depth != depth || tokens_[i].kind != TokenKind::Word)
                continue;
            for (const char* word : kClauseWords)
                if (tokens_[i].Is(word) && !out.contains(QLatin1String(word)))
                    out.insert(QLatin1String(word), i);
        }
        return out;
    }

    static qsizetype nextAfter(const QHash<QString, qsizetype>& found, qsizetype i, qsizetype e) {
        qsizetype next = e;
        for (qsizetype pos : found)
            if (pos > i && pos < next)
                next = pos;
        return next;
    }

    // WHERE, GROUP BY, HAVING and ORDER BY wherever they are found.
    void tail(const QHash<QString, qsizetype>& found, qsizetype e) {
        if (auto w = found.constFind(QStringLiteral("WHERE")); w != found.cend())
            st_.where = slice(*w + 1, nextAfter(found, *w, e));
        if (auto g = found.constFind(QStringLiteral("GROUP")); g != found.cend()) {
            expect(*g + 1, "BY");
            for (auto [b, ge] : splitTop(*g + 2, nextAfter(found, *g, e)))
                st_.groupBy.append(slice(b, ge));
        }
        if (auto h = found.constFind(QStringLiteral("HAVING")); h != found.cend())
            st_.having = slice(*h + 1, nextAfter(found, *h, e));
        if (auto o = found.constFind(QStringLiteral("ORDER")); o != found.cend())
            orderBy(*o, nextAfter(found, *o, e));
    }

    void orderBy(qsizetype order, qsizetype e) {
        expect(order + 1, "BY");
        for (auto [b, oe] : splitTop(order + 2, e)) {
            const bool desc = at(oe - 1).Is("DESC");
            const bool asc = at(oe - 1).Is("ASC");
            st_.orderBy.append({slice(b, desc || asc ? oe - 1 : oe), desc});
        }
    }

    void selectBody(qsizetype b, qsizetype e) {
        expect(b, "SELECT");
        QHash<QString, qsizetype> found = clauses(b, e);
        for (const char* misplaced : {"SET", "VALUES"})
            if (found.contains(QLatin1String(misplaced)))
                fail(QStringLiteral("%1 has no place in a SELECT").arg(QLatin1String(misplaced)),
                     found.value(QLatin1String(misplaced)));
        qsizetype i = b + 1;
        predicates(i, e);
        outputs(i, nextAfter(found, b, e));
        if (auto into = found.constFind(QStringLiteral("INTO")); into != found.cend()) {
            st_.kind = QueryKind::MakeTable;
            st_.into = target(*into + 1, nextAfter(found, *into, e));
        }
        if (auto from = found.constFind(QStringLiteral("FROM")); from != found.cend())
            fromClause(*from + 1, nextAfter(found, *from, e));
        tail(found, e);
    }

    void fromClause(qsizetype b, qsizetype e) {
        // IN before a path names another database; IN before a list is a join's operator.
        qsizetype in = findWord(b, e, "IN");
        while (in < e && in + 1 < e && at(in + 1).IsSymbol('('))
            in = findWord(in + 1, e, "IN");
        if (in < e)
            st_.source = otherDatabase(in, e);
        for (auto [ib, ie] : splitTop(b, in)) {
            qsizetype i = ib;
            fromItem(i, ie);
            if (i != ie)
                fail(QStringLiteral("A table is followed by something that joins nothing"), i);
        }
    }

    bool joinStarts(qsizetype i, qsizetype e) const {
        return i < e && (at(i).Is("INNER") || at(i).Is("LEFT") || at(i).Is("RIGHT"));
    }

    // A table or joined tables from i on; returns the names that tell the tables apart.
    QStringList fromItem(qsizetype& i, qsizetype e) {
        QStringList keys = primary(i, e);
        while (joinStarts(i, e)) {
            Join join;
            join.kind = at(i).Is("INNER")  ? JoinKind::Inner
                        : at(i).Is("LEFT") ? JoinKind::Left
                                           : JoinKind::Right;
            ++i;
            if (at(i).Is("OUTER"))
                ++i;
            expect(i++, "JOIN");
            join.left = keys;
            join.right = primary(i, e);
            expect(i, "ON");
            const int depth = at(i).depth;
            qsizetype end = ++i;
            // The condition ends where the next join starts or the parentheses around it close.
            while (end < e && at(end).depth >= depth &&
                   !(at(end).depth == depth && (joinStarts(end, e) || at(end).IsSymbol(','))))
                ++end;
            if (end == i)
                fail(QStringLiteral("ON needs a condition"), i);
            join.conditions = conditions(i, end);
            i = end;
            keys += join.right;
            st_.joins.append(join);
        }
        return keys;
    }

    QStringList conditions(qsizetype b, qsizetype e) const {
        QStringList parts;
        qsizetype i = b;
        while (i < e && at(i).IsSymbol('(')) {
            const qsizetype close = closing(i);
            parts.append(slice(i + 1, close));
            i = close + 1;
            if (i == e)
                break;
            if (!at(i).Is("AND"))
                return {slice(b, e)};
            ++i;
        }
        if (i != e || parts.size() < 2)
            return {slice(b, e)};
        return parts;
    }

    QStringList primary(qsizetype& i, qsizetype e) {
        if (i >= e)
            fail(QStringLiteral("A table is missing"), i);
        TableRef ref;
        const Token& t = at(i);
        if (t.IsSymbol('(') && at(i + 1).Is("SELECT")) {
            const qsizetype close = closing(i);
            ref.subquery = slice(i + 1, close);
            i = close + 1;
        } else if (t.IsSymbol('(')) {
            const qsizetype close = closing(i);
            ++i;
            QStringList keys = fromItem(i, close);
            if (i != close)
                fail(QStringLiteral("Joined tables are followed by something else"), i);
            ++i;
            return keys;
        } else if (t.kind == TokenKind::Bracketed &&
                   t.Name().trimmed().startsWith(QLatin1String("SELECT "), Qt::CaseInsensitive) &&
                   i + 1 < e && at(i + 1).IsSymbol('.')) {
            ref.subquery = t.Name().trimmed();
            i += 2;
        } else if (t.Is("SELECT")) {
            fail(QStringLiteral("A subquery in FROM needs parentheses"), i);
        } else if (t.IsName()) {
            ref.name = t.Name();
            ++i;
        } else {
            fail(QStringLiteral("A table is missing"), i);
        }
        if (i < e && at(i).Is("AS")) {
            if (i + 1 >= e || !at(i + 1).IsName())
                fail(QStringLiteral("AS needs an alias"), i + 1);
            ref.alias = at(i + 1).Name();
            i += 2;
        } else if (i < e && at(i).IsName() && !isKeyword(at(i))) {
            ref.alias = at(i).Name();
            ++i;
        }
        if (!ref.subquery.isEmpty() && ref.alias.isEmpty())
            fail(QStringLiteral("A subquery in FROM needs an alias"), i);
        st_.tables.append(ref);
        return {ref.alias.isEmpty() ? ref.name : ref.alias};
    }

    static bool isKeyword(const Token& t) {
        for (const char* word : kNotAnAlias)
            if (t.Is(word))
                return true;
        return false;
    }

    void selectOrUnion(qsizetype b, qsizetype e) {
        qsizetype last = e;
        for (qsizetype u = findWord(b, e, "UNION"); u < e; u = findWord(u + 1, e, "UNION"))
            last = u;
        if (last == e) {
            selectBody(b, e);
            return;
        }
        st_.kind = QueryKind::Union;
        qsizetype second = last + 1;
        if (second < e && at(second).Is("ALL")) {
            st_.unionAll = true;
            ++second;
        }
        qsizetype order = findWord(second, e, "ORDER");
        if (order < e)
            orderBy(order, e);
        st_.unionParts = {slice(b, last), slice(second, order)};
        if (st_.unionParts[0].isEmpty() || st_.unionParts[1].isEmpty())
            fail(QStringLiteral("UNION needs a query on each side"), last);
    }

    void crosstab(qsizetype b, qsizetype e) {
        st_.kind = QueryKind::Crosstab;
        const qsizetype select = findWord(b, e, "SELECT");
        const qsizetype pivot = findWord(b, e, "PIVOT");
        if (select == e || pivot == e || pivot < select)
            fail(QStringLiteral("TRANSFORM needs a SELECT and then a PIVOT"), b);
        st_.transform = output(b + 1, select);
        selectBody(select, pivot);
        st_.pivot = slice(pivot + 1, e);
    }

    void insert(qsizetype b, qsizetype e) {
        st_.kind = QueryKind::Append;
        expect(b + 1, "INTO");
        const qsizetype values = findWord(b, e, "VALUES");
        const qsizetype select = findWord(b, e, "SELECT");
        const qsizetype body = std::min(values, select);
        if (body == e)
            fail(QStringLiteral("INSERT needs VALUES or a SELECT"), b);
        qsizetype targetEnd = body;
        if (at(body - 1).IsSymbol(')')) {
            qsizetype open = body - 1;
            while (!(at(open).IsSymbol('(') && at(open).depth == at(body - 1).depth))
                --open;
            for (auto [cb, ce] : splitTop(open + 1, body - 1))
                target(slice(cb, ce));
            targetEnd = open;
        }
        st_.into = target(b + 2, targetEnd);
        if (body == values) {
            st_.values = true;
            if (!at(values + 1).IsSymbol('(') || closing(values + 1) != e - 1)
                fail(QStringLiteral("VALUES needs a list in parentheses"), values + 1);
            for (auto [vb, ve] : splitTop(values + 2, e - 1))
                st_.outputs.append({slice(vb, ve), QString()});
            return;
        }
        selectBody(select, e);
        st_.kind = QueryKind::Append;
    }

    void target(const QString& column) {
        st_.targetColumns.append(Unbracketed(column));
        st_.targetColumnsWritten.append(column);
    }

    void update(qsizetype b, qsizetype e) {
        st_.kind = QueryKind::Update;
        QHash<QString, qsizetype> found = clauses(b, e);
        const qsizetype set = found.value(QStringLiteral("SET"), e);
        if (set == e)
            fail(QStringLiteral("UPDATE needs SET"), b);
        qsizetype i = b + 1;
        predicates(i, set);
        fromClause(i, set);
        for (auto [ab, ae] : splitTop(set + 1, nextAfter(found, set, e))) {
            const qsizetype equals =
                findTop(ab, ae, [](const Token& t) { return t.IsSymbol('='); });
            if (equals == ab || equals == ae)
                fail(QStringLiteral("SET needs a column, = and a value"), ab);
            target(slice(ab, equals));
            st_.outputs.append({slice(equals + 1, ae), QString()});
        }
        found.remove(QStringLiteral("FROM"));
        tail(found, e);
    }

    void remove(qsizetype b, qsizetype e) {
        st_.kind = QueryKind::Delete;
        QHash<QString, qsizetype> found = clauses(b, e);
        const qsizetype from = found.value(QStringLiteral("FROM"), e);
        if (from == e)
            fail(QStringLiteral("DELETE needs FROM"), b);
        qsizetype i = b + 1;
        predicates(i, from);
        outputs(i, from);
        fromClause(from + 1, nextAfter(found, from, e));
        tail(found, e);
    }

    const QString& sql_;
    QList<Token> tokens_;
    Statement st_;
};

} // namespace

std::optional<Statement> Parse(const QString& sql, ParseError* error) {
    try {
        return Parser(sql).Run();
    } catch (const SyntaxError& e) {
        if (error)
            *error = {QString::fromStdString(e.what()), e.position};
        return std::nullopt;
    }
}

QString Unbracketed(const QString& name) {
    QStringList parts;
    QString part;
    bool inBrackets = false;
    auto close = [&] {
        part = part.trimmed();
        if (part.startsWith(QLatin1Char('[')) && part.endsWith(QLatin1Char(']')))
            part = part.mid(1, part.size() - 2);
        parts.append(part);
        part.clear();
    };
    for (QChar c : name) {
        if (c == QLatin1Char('.') && !inBrackets) {
            close();
            continue;
        }
        if (c == QLatin1Char('['))
            inBrackets = true;
        else if (c == QLatin1Char(']'))
            inBrackets = false;
        part += c;
    }
    close();
    return parts.join(QLatin1Char('.'));
}

} // namespace vantor::jetsql
