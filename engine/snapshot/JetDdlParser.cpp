#include "engine/snapshot/JetDdl.h"
#include "engine/snapshot/JetDdlStatements.h"
#include "engine/snapshot/JetSqlLexer.h"
#include "engine/snapshot/JetTypes.h"
#include "model/Error.h"

namespace vantor {

void RaiseDdlError(const QString& description) {
    throw Error(ErrorCode::SyntaxError, description);
}

namespace {

const QString kCreateTableSyntax = QStringLiteral("Syntax error in CREATE TABLE statement.");
const QString kAlterTableSyntax = QStringLiteral("Syntax error in ALTER TABLE statement.");
const QString kFieldSyntax = QStringLiteral("Syntax error in field definition.");
const QString kConstraintSyntax = QStringLiteral("Syntax error in CONSTRAINT clause.");
const QString kCreateIndexSyntax = QStringLiteral("Syntax error in CREATE INDEX statement.");
const QString kCreateViewSyntax = QStringLiteral("Syntax error in CREATE VIEW statement.");
const QString kCreateProcedureSyntax =
    QStringLiteral("Syntax error in CREATE PROCEDURE statement.");
const QString kProcedureStatement =
    QStringLiteral("A procedure holds one SELECT, SELECT ... INTO, INSERT INTO, UPDATE or DELETE "
                   "statement; crosstab, union and data-definition statements cannot be one.");
const QString kDropSyntax = QStringLiteral("Syntax error in DROP TABLE or DROP INDEX.");
const QString kInvalidStatement =
    QStringLiteral("Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', "
                   "or 'UPDATE'.");

bool isDataStatement(const JetToken& t) {
    for (const char* word : {"SELECT", "INSERT", "UPDATE", "DELETE", "TRANSFORM", "PARAMETERS",
                             "PROCEDURE", "EXECUTE", "EXEC"})
        if (t.Is(word))
            return true;
    return false;
}

// The type words of a PARAMETERS declaration, which Access writes for a saved query's
// parameters, besides those of a column definition.
bool isParameterType(const QString& word, const QList<qint64>& arguments) {
    if (word.compare(QLatin1String("Value"), Qt::CaseInsensitive) == 0)
        return arguments.isEmpty();
    JetTypeResult type = ResolveJetType(word, arguments);
    return type.problem == JetTypeProblem::None && !type.type.autoNumber;
}

// Removes the one line break that ends text, if it ends in one.
QString withoutFinalLineBreak(const QString& text) {
    if (text.endsWith(QLatin1String("\r\n")))
        return text.left(text.size() - 2);
    if (text.endsWith(u'\n') || text.endsWith(u'\r'))
        return text.left(text.size() - 1);
    return text;
}

class Parser {
public:
    explicit Parser(const QString& sql) : sql_(sql), tokens_(LexJetSql(sql)) {}

    DdlStatement statement() {
        const JetToken& first = peek();
        if (first.Is("CREATE")) {
            next();
            if (accept("TABLE"))
                return createTable();
            if (accept("VIEW"))
                return createView();
            if (peek().Is("UNIQUE") || peek().Is("INDEX"))
                return createIndex();
            if (accept("PROCEDURE"))
                return createProcedure();
            context_ = kCreateTableSyntax;
            fail();
        }
        if (first.Is("DROP")) {
            next();
            return drop();
        }
        if (first.Is("ALTER")) {
            next();
            context_ = kAlterTableSyntax;
            expect("TABLE");
            return alterTable();
        }
        if (isDataStatement(first))
            RaiseDdlError(QStringLiteral("'%1' cannot run against a schema snapshot, which holds "
                                         "no data; only CREATE, DROP and ALTER statements can.")
                              .arg(first.text.toUpper()));
        RaiseDdlError(kInvalidStatement);
    }

private:
    const JetToken& peek(qsizetype ahead = 0) const {
        return tokens_[qMin(pos_ + ahead, tokens_.size() - 1)];
    }
    const JetToken& next() {
        const JetToken& t = peek();
        if (pos_ < tokens_.size() - 1)
            ++pos_;
        return t;
    }
    bool accept(const char* keyword) {
        if (!peek().Is(keyword))
            return false;
        next();
        return true;
    }
    bool acceptSymbol(char symbol) {
        if (!peek().IsSymbol(symbol))
            return false;
        next();
        return true;
    }
    void expect(const char* keyword) {
        if (!accept(keyword))
            fail();
    }
    void expectSymbol(char symbol) {
        if (!acceptSymbol(symbol))
            fail();
    }
    [[noreturn]] void fail() const { RaiseDdlError(context_); }

    QString name() {
        const JetToken& t = peek();
        if (t.kind != JetTokenKind::Word && t.kind != JetTokenKind::Bracketed)
            fail();
        return next().text;
    }
    QStringList nameList() {
        expectSymbol('(');
        QStringList names;
        do
            names << name();
        while (acceptSymbol(','));
        expectSymbol(')');
        return names;
    }
    qint64 wholeNumber() {
        const JetToken& t = peek();
        bool ok = false;
        qint64 value = t.kind == JetTokenKind::Number ? t.text.toLongLong(&ok) : 0;
        if (!ok)
            fail();
        next();
        return value;
    }
    void finish() {
        acceptSymbol(';');
        if (peek().kind != JetTokenKind::End)
            fail();
    }
    bool atListEnd() const {
        const JetToken& t = peek();
        return t.IsSymbol(',') || t.IsSymbol(')') || t.IsSymbol(';') || t.kind == JetTokenKind::End;
    }
    bool atConstraintStart() const {
        const JetToken& t = peek();
        return t.Is("CONSTRAINT") || t.Is("PRIMARY") || t.Is("UNIQUE") || t.Is("FOREIGN");
    }

    CreateTableStmt createTable() {
        context_ = kCreateTableSyntax;
        CreateTableStmt s;
        s.table = name();
        expectSymbol('(');
        do {
            if (atConstraintStart())
                s.constraints.append(tableConstraint());
            else
                s.columns.append(columnDefinition());
            context_ = kCreateTableSyntax;
        } while (acceptSymbol(','));
        expectSymbol(')');
        finish();
        return s;
    }

    // The text after AS is the definition as written; only the line break the script puts after
    // AS and the one that ends the batch are not part of it.
    CreateViewStmt createView() {
        context_ = kCreateViewSyntax;
        CreateViewStmt s;
        s.view = name();
        const JetToken& as = peek();
        expect("AS");
        if (peek().kind == JetTokenKind::End)
            fail();
        if (!peek().Is("SELECT"))
            RaiseDdlError(QStringLiteral("Only simple SELECT queries are allowed in VIEWS."));
        qsizetype start = as.end;
        while (start < sql_.size() && (sql_[start] == u' ' || sql_[start] == u'\t'))
            ++start;
        if (sql_.mid(start, 2) == QLatin1String("\r\n"))
            start += 2;
        else if (start < sql_.size() && (sql_[start] == u'\n' || sql_[start] == u'\r'))
            ++start;
        s.definition = withoutFinalLineBreak(sql_.mid(start));
        return s;
    }

    CreateIndexStmt createIndex() {
        context_ = kCreateIndexSyntax;
        CreateIndexStmt s;
        s.unique = accept("UNIQUE");
        expect("INDEX");
        s.index = name();
        expect("ON");
        s.table = name();
        expectSymbol('(');
        do {
            IndexColumn c;
            c.name = name();
            if (accept("DESC"))
                c.descending = true;
            else
                accept("ASC");
            s.columns.append(c);
        } while (acceptSymbol(','));
        expectSymbol(')');
        if (accept("WITH")) {
            do {
                if (accept("PRIMARY")) {
                    s.primary = s.unique = s.required = true;
                } else if (accept("DISALLOW")) {
                    expect("NULL");
                    s.required = true;
                } else if (accept("IGNORE")) {
                    expect("NULL");
                    s.ignoreNulls = true;
                } else {
                    fail();
                }
            } while (peek().Is("PRIMARY") || peek().Is("DISALLOW") || peek().Is("IGNORE"));
        }
        finish();
        return s;
    }

    // The parameters and the statement are kept as written, so that the saved query reads as
    // Access would show it.
    CreateProcedureStmt createProcedure() {
        context_ = kCreateProcedureSyntax;
        CreateProcedureStmt s;
        s.procedure = name();
        if (acceptSymbol('(')) {
            QStringList seen;
            do {
                QueryParameter p = parameter();
                QString key = QString(p.name).remove(u'[').remove(u']').toCaseFolded();
                if (seen.contains(key))
                    RaiseDdlError(
                        QStringLiteral("Duplicate parameter '%1' in the procedure.").arg(p.name));
                seen << key;
                s.parameters.append(p);
            } while (acceptSymbol(','));
            expectSymbol(')');
        }
        const JetToken& as = peek();
        expect("AS");
        s.kind = procedureKind();
        s.statement = sql_.mid(as.end).trimmed();
        return s;
    }

    QueryParameter parameter() {
        const JetToken& first = peek();
        name();
        QueryParameter p;
        p.name = sql_.mid(first.begin, first.end - first.begin);
        const JetToken& typeName = peek();
        if (typeName.kind != JetTokenKind::Word)
            fail();
        next();
        QList<qint64> arguments;
        if (acceptSymbol('(')) {
            arguments << wholeNumber();
            expectSymbol(')');
        }
        if (!isParameterType(typeName.text, arguments))
            fail();
        p.type = sql_.mid(typeName.begin, tokens_[pos_ - 1].end - typeName.begin);
        return p;
    }

    // What the statement after AS makes of the saved query; the kinds a procedure cannot be
    // fail here rather than turn into a query of another kind.
    QueryKind procedureKind() {
        const JetToken& first = peek();
        QueryKind kind = QueryKind::Select;
        if (first.kind == JetTokenKind::End)
            fail();
        if (first.Is("INSERT"))
            kind = QueryKind::Append;
        else if (first.Is("UPDATE"))
            kind = QueryKind::Update;
        else if (first.Is("DELETE"))
            kind = QueryKind::Delete;
        else if (!first.Is("SELECT"))
            RaiseDdlError(kProcedureStatement);
        int depth = 0;
        for (qsizetype i = pos_; tokens_[i].kind != JetTokenKind::End; ++i) {
            const JetToken& t = tokens_[i];
            if (t.kind == JetTokenKind::Unfinished)
                fail();
            depth += t.IsSymbol('(') ? 1 : t.IsSymbol(')') ? -1 : 0;
            if (depth == 0 && t.Is("UNION"))
                RaiseDdlError(kProcedureStatement);
            if (depth == 0 && t.Is("INTO") && kind == QueryKind::Select)
                kind = QueryKind::MakeTable;
        }
        return kind;
    }

    DdlStatement drop() {
        context_ = kDropSyntax;
        if (accept("TABLE")) {
            DropTableStmt s{name()};
            finish();
            return s;
        }
        if (accept("VIEW")) {
            DropViewStmt s{name()};
            finish();
            return s;
        }
        if (accept("PROCEDURE")) {
            DropProcedureStmt s{name()};
            finish();
            return s;
        }
        expect("INDEX");
        DropIndexStmt s;
        s.index = name();
        expect("ON");
        s.table = name();
        finish();
        return s;
    }

    DdlStatement alterTable() {
        QString table = name();
        if (accept("ADD")) {
            AlterAddStmt s;
            s.table = table;
            bool columnsOnly = accept("COLUMN");
            do {
                if (!columnsOnly && atConstraintStart())
                    s.constraints.append(tableConstraint());
                else
                    s.columns.append(columnDefinition());
                context_ = kAlterTableSyntax;
            } while (acceptSymbol(','));
            finish();
            return s;
        }
        if (accept("DROP")) {
            if (accept("CONSTRAINT")) {
                AlterDropConstraintStmt s{table, name()};
                finish();
                return s;
            }
            accept("COLUMN");
            AlterDropColumnsStmt s;
            s.table = table;
            do
                s.columns << name();
            while (acceptSymbol(','));
            finish();
            return s;
        }
        if (accept("ALTER")) {
            accept("COLUMN");
            AlterColumnStmt s{table, columnDefinition()};
            context_ = kAlterTableSyntax;
            finish();
            return s;
        }
        fail();
    }

    DdlColumn columnDefinition() {
        context_ = kFieldSyntax;
        DdlColumn c;
        c.column.name = name();
        const JetToken& typeName = peek();
        if (typeName.kind != JetTokenKind::Word)
            fail();
        next();
        QList<qint64> arguments;
        if (acceptSymbol('(')) {
            do
                arguments << wholeNumber();
            while (acceptSymbol(','));
            expectSymbol(')');
        }
        JetTypeResult type = ResolveJetType(typeName.text, arguments);
        if (type.problem == JetTypeProblem::TooLong)
            RaiseDdlError(QStringLiteral("Size of field '%1' is too long.").arg(c.column.name));
        if (type.problem != JetTypeProblem::None)
            fail();
        c.column.dataType = type.type.dataType;
        c.column.maxLength = type.type.maxLength;
        c.column.autoNumber = type.type.autoNumber;
        c.column.precision = type.type.precision;
        c.column.scale = type.type.scale;
        c.alwaysRequired = type.type.alwaysRequired;
        columnClauses(c);
        if (!atListEnd())
            fail();
        return c;
    }

    void columnClauses(DdlColumn& c) {
        for (;;) {
            if (accept("NOT")) {
                expect("NULL");
                c.nullable = false;
            } else if (accept("NULL")) {
                c.nullable = true;
            } else if (accept("IDENTITY")) {
                c.column.autoNumber = true;
                if (acceptSymbol('(')) {
                    wholeNumber();
                    expectSymbol(',');
                    wholeNumber();
                    expectSymbol(')');
                }
            } else if (accept("DEFAULT")) {
                c.column.defaultValue = defaultValue();
            } else if (accept("WITH")) {
                // Unicode compression changes how text is stored, not the schema.
                if (!accept("COMPRESSION") && !accept("COMP"))
                    fail();
            } else if (peek().Is("CONSTRAINT") || peek().Is("PRIMARY") || peek().Is("UNIQUE") ||
                       peek().Is("REFERENCES")) {
                columnConstraint(c);
                context_ = kFieldSyntax;
            } else {
                return;
            }
        }
    }

    void columnConstraint(DdlColumn& c) {
        context_ = kConstraintSyntax;
        DdlConstraint k;
        if (accept("CONSTRAINT")) {
            k.name = name();
            if (accept("NOT")) {
                expect("NULL");
                c.nullable = false;
                return;
            }
        }
        if (accept("PRIMARY")) {
            expect("KEY");
            k.kind = DdlConstraint::Kind::PrimaryKey;
        } else if (accept("UNIQUE")) {
            k.kind = DdlConstraint::Kind::Unique;
        } else if (accept("REFERENCES")) {
            k.kind = DdlConstraint::Kind::ForeignKey;
            references(k);
        } else {
            fail();
        }
        c.constraints.append(k);
    }

    DdlConstraint tableConstraint() {
        context_ = kConstraintSyntax;
        DdlConstraint k;
        if (accept("CONSTRAINT"))
            k.name = name();
        if (accept("PRIMARY")) {
            expect("KEY");
            k.kind = DdlConstraint::Kind::PrimaryKey;
            k.columns = nameList();
        } else if (accept("UNIQUE")) {
            k.kind = DdlConstraint::Kind::Unique;
            k.columns = nameList();
        } else if (accept("FOREIGN")) {
            expect("KEY");
            k.kind = DdlConstraint::Kind::ForeignKey;
            k.columns = nameList();
            expect("REFERENCES");
            references(k);
        } else {
            fail();
        }
        return k;
    }

    void references(DdlConstraint& k) {
        k.referencedTable = name();
        if (peek().IsSymbol('('))
            k.referencedColumns = nameList();
        while (accept("ON")) {
            bool update = accept("UPDATE");
            if (!update)
                expect("DELETE");
            bool cascade = false;
            if (accept("CASCADE"))
                cascade = true;
            else if (accept("NO"))
                expect("ACTION");
            else if (accept("SET")) {
                expect("NULL");
                // Only deletes can set the references to null; an update has nothing to set.
                if (update)
                    fail();
                k.cascadeToNull = true;
            } else {
                fail();
            }
            (update ? k.cascadeUpdate : k.cascadeDelete) = cascade;
            if (cascade && !update)
                k.cascadeToNull = false;
        }
    }

    // A literal, a signed number, a word such as Now() or True, or a parenthesised expression,
    // kept as written.
    QString defaultValue() {
        qsizetype begin = peek().begin;
        if (peek().IsSymbol('(')) {
            int depth = 0;
            do {
                const JetToken& t = next();
                if (t.kind == JetTokenKind::End || t.kind == JetTokenKind::Unfinished)
                    fail();
                depth += t.IsSymbol('(') ? 1 : t.IsSymbol(')') ? -1 : 0;
            } while (depth > 0);
        } else {
            if (peek().IsSymbol('-') || peek().IsSymbol('+'))
                next();
            const JetToken& t = peek();
            if (t.kind != JetTokenKind::String && t.kind != JetTokenKind::Number &&
                t.kind != JetTokenKind::Word)
                fail();
            next();
            if (t.kind == JetTokenKind::Word && peek().IsSymbol('(') && peek(1).IsSymbol(')')) {
                next();
                next();
            }
        }
        return sql_.mid(begin, tokens_[pos_ - 1].end - begin);
    }

    const QString& sql_;
    QList<JetToken> tokens_;
    qsizetype pos_ = 0;
    QString context_ = kInvalidStatement;
};

} // namespace

DdlStatement ParseJetDdl(const QString& statement) {
    return Parser(statement).statement();
}

} // namespace vantor
