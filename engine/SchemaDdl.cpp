#include "engine/SchemaDdl.h"

#include "engine/SqlText.h"

namespace vantor {

namespace {

QString bracketedList(const QStringList& names) {
    QStringList out;
    out.reserve(names.size());
    for (const QString& name : names)
        out << SqlBracket(name);
    return SqlParen(out.join(QStringLiteral(", ")));
}

bool isPlainName(const QString& name) {
    if (name.isEmpty() || !(name[0].isLetter() || name[0] == u'_'))
        return false;
    for (QChar c : name)
        if (!c.isLetterOrNumber() && c != u'_')
            return false;
    return true;
}

// The reader keeps a parameter's name as the PARAMETERS clause spells it, brackets and all.
QString parameterName(const QString& name) {
    return name.startsWith(u'[') || isPlainName(name) ? name : SqlBracket(name);
}

// Where the statement starts after a leading PARAMETERS declaration, which the procedure's
// parameter list replaces.
qsizetype statementStart(const QString& sql) {
    qsizetype i = 0;
    while (i < sql.size() && sql[i].isSpace())
        ++i;
    if (sql.mid(i, 10).compare(QLatin1String("PARAMETERS"), Qt::CaseInsensitive) != 0 ||
        (i + 10 < sql.size() && !sql[i + 10].isSpace()))
        return i;
    QChar closing;
    for (qsizetype j = i + 10; j < sql.size(); ++j) {
        QChar c = sql[j];
        if (!closing.isNull()) {
            if (c == closing)
                closing = QChar();
        } else if (c == u'[') {
            closing = u']';
        } else if (c == u'"' || c == u'\'') {
            closing = c;
        } else if (c == u';') {
            ++j;
            while (j < sql.size() && sql[j].isSpace())
                ++j;
            return j;
        }
    }
    return i;
}

QString kindWords(QueryKind kind) {
    switch (kind) {
    case QueryKind::Crosstab:
        return QStringLiteral("a crosstab query");
    case QueryKind::DataDefinition:
        return QStringLiteral("a data-definition query");
    case QueryKind::PassThrough:
        return QStringLiteral("a pass-through query");
    case QueryKind::Union:
        return QStringLiteral("a union query");
    default:
        return QString();
    }
}

} // namespace

QString CreateIndexText(const QString& table, const Index& index) {
    QStringList columns;
    for (const IndexColumn& c : index.columns)
        columns << SqlBracket(c.name) + (c.descending ? QStringLiteral(" DESC") : QString());
    QString text = QStringLiteral("CREATE ") +
                   (index.unique && !index.primary ? QStringLiteral("UNIQUE ") : QString()) +
                   QStringLiteral("INDEX ") + SqlBracket(index.name) + QStringLiteral(" ON ") +
                   SqlBracket(table) + QLatin1Char(' ') +
                   SqlParen(columns.join(QStringLiteral(", ")));
    // The clause takes one option; a primary key implies the others' effect on its fields.
    if (index.primary)
        text += QStringLiteral(" WITH PRIMARY");
    else if (index.required)
        text += QStringLiteral(" WITH DISALLOW NULL");
    else if (index.ignoreNulls)
        text += QStringLiteral(" WITH IGNORE NULL");
    return text;
}

QString DropIndexText(const QString& table, const QString& index) {
    return QStringLiteral("DROP INDEX ") + SqlBracket(index) + QStringLiteral(" ON ") +
           SqlBracket(table);
}

QString AddRelationshipText(const Relationship& relationship) {
    QStringList columns;
    QStringList referenced;
    for (const RelationshipColumn& c : relationship.columns) {
        columns << c.column;
        referenced << c.referencedColumn;
    }
    QString text = QStringLiteral("ALTER TABLE ") + SqlBracket(relationship.table) +
                   QStringLiteral(" ADD CONSTRAINT ") + SqlBracket(relationship.name) +
                   QStringLiteral(" FOREIGN KEY ") + bracketedList(columns) +
                   QStringLiteral(" REFERENCES ") + SqlBracket(relationship.referencedTable) +
                   QLatin1Char(' ') + bracketedList(referenced);
    if (relationship.cascadeUpdate)
        text += QStringLiteral(" ON UPDATE CASCADE");
    if (relationship.cascadeDelete)
        text += QStringLiteral(" ON DELETE CASCADE");
    else if (relationship.cascadeToNull)
        text += QStringLiteral(" ON DELETE SET NULL");
    return text;
}

QString DropRelationshipText(const Relationship& relationship) {
    return QStringLiteral("ALTER TABLE ") + SqlBracket(relationship.table) +
           QStringLiteral(" DROP CONSTRAINT ") + SqlBracket(relationship.name);
}

QString CreateProcedureText(const Query& query) {
    if (!kindWords(query.kind).isEmpty())
        return QString();
    QString text = QStringLiteral("CREATE PROCEDURE ") + SqlBracket(query.name);
    if (!query.parameters.isEmpty()) {
        QStringList parameters;
        for (const QueryParameter& p : query.parameters)
            parameters << parameterName(p.name) + QLatin1Char(' ') + p.type;
        text += QLatin1Char(' ') + SqlParen(parameters.join(QStringLiteral(", ")));
    }
    QString statement = query.sql.mid(statementStart(query.sql));
    qsizetype end = statement.size();
    while (end > 0 && statement[end - 1].isSpace())
        --end;
    return text + QStringLiteral(" AS") + CrLf + statement.left(end);
}

QString DropProcedureText(const QString& name) {
    return QStringLiteral("DROP PROCEDURE ") + SqlBracket(name);
}

QStringList InexpressibleSettings(const Relationship& relationship) {
    QStringList out;
    const QString between =
        QStringLiteral("The relationship '%1' between '%2' and '%3'")
            .arg(relationship.name, relationship.referencedTable, relationship.table);
    if (!relationship.enforced)
        out << between + QStringLiteral(" does not enforce referential integrity, but Jet DDL "
                                        "creates every relationship enforced; clear Enforce "
                                        "Referential Integrity in the Relationships window.");
    if (relationship.oneToOne)
        out << between + QStringLiteral(" is one-to-one, which Jet DDL cannot declare; set the "
                                        "relationship type in the Relationships window.");
    if (relationship.cascadeDelete && relationship.cascadeToNull)
        out << between + QStringLiteral(" both cascades deletes and sets references to null, "
                                        "and Jet DDL can say only one of them; check Cascade "
                                        "Delete Related Records in the Relationships window.");
    return out;
}

QStringList InexpressibleSettings(const Query& query) {
    QStringList out;
    if (QString kind = kindWords(query.kind); !kind.isEmpty())
        out << QStringLiteral("The query '%1' is %2, which Jet DDL cannot create as a procedure; "
                              "create it in Access from its SQL.")
                   .arg(query.name, kind);
    if (!query.connect.isEmpty())
        out << QStringLiteral("The connection string of the query '%1' cannot be written in Jet "
                              "DDL; set its ODBC Connect Str property in Access.")
                   .arg(query.name);
    if (query.hidden)
        out << QStringLiteral("The query '%1' is hidden, and Jet DDL creates every procedure "
                              "visible; hide it in Access.")
                   .arg(query.name);
    return out;
}

QStringList InexpressibleSettings(const Index& index) {
    QStringList out;
    const QString named = QStringLiteral("The index '%1'").arg(index.name);
    if (index.primary && index.ignoreNulls)
        out << named + QStringLiteral(" is a primary key that ignores nulls, and Jet DDL cannot "
                                      "say both; set Ignore Nulls in the table's Indexes window.");
    if (index.primary && (!index.unique || !index.required))
        out << named + QStringLiteral(" is a primary key that allows duplicates or nulls, which "
                                      "WITH PRIMARY cannot create; set Unique and Required in "
                                      "the table's Indexes window.");
    if (!index.primary && index.required && index.ignoreNulls)
        out << named + QStringLiteral(" both disallows and ignores nulls, and Jet DDL can say "
                                      "only the first; set Ignore Nulls in the table's Indexes "
                                      "window.");
    return out;
}

} // namespace vantor
