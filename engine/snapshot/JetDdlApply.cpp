#include "engine/snapshot/JetDdl.h"
#include "engine/snapshot/JetDdlStatements.h"
#include "model/Kinds.h"

#include <algorithm>

namespace vantor {

namespace {

constexpr qsizetype kMaxNameLength = 64;

bool sameName(const QString& a, const QString& b) {
    return FoldKey(a) == FoldKey(b);
}

// Jet's rules for object, field and index names.
void requireValidName(const QString& name) {
    bool valid = !name.isEmpty() && name.size() <= kMaxNameLength && !name.startsWith(u' ');
    for (QChar c : name)
        if (c.unicode() < 0x20 || c == u'.' || c == u'!' || c == u'`' || c == u'[' || c == u']')
            valid = false;
    if (!valid)
        RaiseDdlError(QStringLiteral("'%1' is not a valid name. Make sure that it does not include "
                                     "invalid characters or punctuation and that it is not too "
                                     "long.")
                          .arg(name));
}

Column* findColumn(Table& table, const QString& name) {
    QString key = FoldKey(name);
    for (Column& c : table.columns)
        if (FoldKey(c.name) == key)
            return &c;
    return nullptr;
}

Column& requireColumn(Table& table, const QString& name) {
    Column* c = findColumn(table, name);
    if (!c)
        RaiseDdlError(
            QStringLiteral("Field '%1' does not exist in table '%2'.").arg(name, table.name));
    return *c;
}

void renumber(Table& table) {
    for (qsizetype i = 0; i < table.columns.size(); ++i)
        table.columns[i].ordinal = static_cast<qint32>(i + 1);
}

// Jet keys no index on an OLE Object (long binary) field.
bool isLongBinary(const Column& column) {
    return column.dataType == 128 && column.maxLength.value_or(0) == 0;
}

bool mentionsColumn(const Index& index, const QString& column) {
    for (const IndexColumn& c : index.columns)
        if (sameName(c.name, column))
            return true;
    return false;
}

// Applies parsed statements to a working copy of the schema; the caller keeps the copy only when
// the whole statement succeeded.
class Applier {
public:
    explicit Applier(Schema& schema) : db_(schema) {}

    void operator()(const CreateTableStmt& s) {
        requireNewObjectName(s.table);
        Table table;
        table.name = s.table;
        for (const DdlColumn& c : s.columns)
            addColumn(table, c);
        db_.tables.append(table);
        Table& added = db_.tables.last();
        for (const DdlColumn& c : s.columns)
            addColumnConstraints(added, c);
        for (const DdlConstraint& k : s.constraints)
            addConstraint(added, k);
    }

    void operator()(const CreateViewStmt& s) {
        requireNewObjectName(s.view);
        db_.views.append(View{s.view, s.definition});
    }

    void operator()(const CreateIndexStmt& s) {
        Table& table = requireUserTable(s.table);
        requireValidName(s.index);
        Index index;
        index.name = s.index;
        // The file keeps the column itself, not the statement's spelling of its name.
        for (const IndexColumn& c : s.columns)
            index.columns.append({requireColumn(table, c.name).name, c.descending});
        index.unique = s.unique;
        index.primary = s.primary;
        index.required = s.required;
        index.ignoreNulls = s.ignoreNulls;
        addIndex(table, index);
    }

    void operator()(const DropTableStmt& s) {
        Table& table = requireUserTable(s.table);
        for (const Relationship& r : db_.relationships)
            if (sameName(r.table, table.name) || sameName(r.referencedTable, table.name))
                RaiseDdlError(QStringLiteral("Cannot delete table '%1'; it participates in one "
                                             "or more relationships.")
                                  .arg(table.name));
        db_.tables.removeIf([&](const Table& t) { return &t == &table; });
    }

    void operator()(const DropViewStmt& s) {
        if (!db_.findView(s.view))
            RaiseDdlError(QStringLiteral("View '%1' does not exist.").arg(s.view));
        QString key = FoldKey(s.view);
        db_.views.removeIf([&](const View& v) { return FoldKey(v.name) == key; });
    }

    void operator()(const DropIndexStmt& s) {
        Table& table = requireUserTable(s.table);
        if (!removeIndex(table, s.index))
            RaiseDdlError(QStringLiteral("Index '%1' does not exist on table '%2'.")
                              .arg(s.index, table.name));
    }

    void operator()(const CreateProcedureStmt& s) {
        requireNewObjectName(s.procedure);
        Query query;
        query.name = s.procedure;
        query.kind = s.kind;
        query.parameters = s.parameters;
        // Access shows a saved query's parameters as a PARAMETERS line and ends it with ";".
        if (!s.parameters.isEmpty()) {
            QStringList declared;
            for (const QueryParameter& p : s.parameters)
                declared << p.name + u' ' + p.type;
            query.sql = QStringLiteral("PARAMETERS ") + declared.join(QStringLiteral(", ")) +
                        QStringLiteral(";\r\n");
        }
        query.sql += s.statement;
        if (!s.statement.endsWith(u';'))
            query.sql += u';';
        query.sql += QStringLiteral("\r\n");
        db_.queries.append(query);
    }

    void operator()(const DropProcedureStmt& s) {
        if (!db_.findQuery(s.procedure))
            RaiseDdlError(QStringLiteral("Procedure '%1' does not exist.").arg(s.procedure));
        db_.queries.removeIf([&](const Query& q) { return sameName(q.name, s.procedure); });
    }

    void operator()(const AlterAddStmt& s) {
        Table& table = requireUserTable(s.table);
        for (const DdlColumn& c : s.columns)
            addColumn(table, c);
        for (const DdlColumn& c : s.columns)
            addColumnConstraints(table, c);
        for (const DdlConstraint& k : s.constraints)
            addConstraint(table, k);
    }

    void operator()(const AlterDropColumnsStmt& s) {
        Table& table = requireUserTable(s.table);
        for (const QString& name : s.columns) {
            Column& column = requireColumn(table, name);
            for (const Index& index : table.indexes)
                if (mentionsColumn(index, column.name))
                    RaiseDdlError(QStringLiteral("Cannot delete field '%1'; it is part of the "
                                                 "index '%2'. Drop the index first.")
                                      .arg(column.name, index.name));
            for (const Relationship& r : db_.relationships)
                if (usesColumn(r, table.name, column.name))
                    RaiseDdlError(QStringLiteral("Cannot delete field '%1'; it is part of one or "
                                                 "more relationships.")
                                      .arg(column.name));
            table.columns.removeIf([&](const Column& c) { return &c == &column; });
        }
        renumber(table);
    }

    void operator()(const AlterDropConstraintStmt& s) {
        Table& table = requireUserTable(s.table);
        auto named = [&](const auto& item) { return sameName(item.name, s.constraint); };
        if (removeIndex(table, s.constraint))
            return;
        if (db_.relationships.removeIf(
                [&](const Relationship& r) { return named(r) && sameName(r.table, table.name); }))
            return;
        RaiseDdlError(QStringLiteral("Constraint '%1' does not exist on table '%2'.")
                          .arg(s.constraint, table.name));
    }

    // The column takes the new type; its nullability changes only where the statement says so.
    void operator()(const AlterColumnStmt& s) {
        Table& table = requireUserTable(s.table);
        Column& column = requireColumn(table, s.column.column.name);
        const Column& given = s.column.column;
        bool wasYesNo = column.dataType == 11;
        column.dataType = given.dataType;
        column.maxLength = given.maxLength;
        column.precision = given.precision;
        column.scale = given.scale;
        column.autoNumber = given.autoNumber;
        if (given.defaultValue)
            column.defaultValue = given.defaultValue;
        if (s.column.nullable)
            column.nullable = *s.column.nullable;
        else if (wasYesNo)
            column.nullable = true; // a Yes/No column refused NULL by its type, not by choice
        if (s.column.alwaysRequired)
            column.nullable = false;
        addColumnConstraints(table, s.column, column.name);
    }

private:
    void requireNewObjectName(const QString& name) {
        requireValidName(name);
        if (db_.findTable(name) || db_.findView(name) || db_.findQuery(name))
            RaiseDdlError(QStringLiteral("Table '%1' already exists.").arg(name));
    }

    // Only the database's own tables change; system tables belong to the engine.
    Table& requireUserTable(const QString& name) {
        Table* table = db_.findTable(name);
        if (!table)
            RaiseDdlError(QStringLiteral("Table '%1' does not exist.").arg(name));
        if (table->kind != ObjectKind::Table && table->kind != ObjectKind::Link)
            RaiseDdlError(
                QStringLiteral("'%1' is a system table and cannot be changed.").arg(table->name));
        return *table;
    }

    void addColumn(Table& table, const DdlColumn& c) {
        requireValidName(c.column.name);
        if (findColumn(table, c.column.name))
            RaiseDdlError(QStringLiteral("Field '%1' already exists in table '%2'.")
                              .arg(c.column.name, table.name));
        Column column = c.column;
        column.nullable = c.alwaysRequired ? false : c.nullable.value_or(true);
        column.ordinal = static_cast<qint32>(table.columns.size() + 1);
        table.columns.append(column);
    }

    void addColumnConstraints(Table& table, const DdlColumn& c) {
        addColumnConstraints(table, c, c.column.name);
    }
    void addColumnConstraints(Table& table, const DdlColumn& c, const QString& column) {
        for (DdlConstraint k : c.constraints) {
            k.columns = QStringList{column};
            addConstraint(table, k);
        }
    }

    void addConstraint(Table& table, const DdlConstraint& k) {
        for (const QString& column : k.columns)
            requireColumn(table, column);
        if (k.kind == DdlConstraint::Kind::ForeignKey) {
            addRelationship(table, k);
            return;
        }
        Index index;
        index.primary = k.kind == DdlConstraint::Kind::PrimaryKey;
        index.unique = true;
        index.required = index.primary;
        index.name = k.name.isEmpty() ? freeIndexName(table, index.primary ? "PrimaryKey" : "Index")
                                      : k.name;
        requireValidName(index.name);
        for (const QString& column : k.columns)
            index.columns.append({requireColumn(table, column).name, false});
        addIndex(table, index);
    }

    void addIndex(Table& table, const Index& index) {
        for (const IndexColumn& c : index.columns)
            if (isLongBinary(requireColumn(table, c.name)))
                RaiseDdlError(QStringLiteral("Cannot create an index on the OLE Object field '%1'.")
                                  .arg(c.name));
        for (const Index& existing : table.indexes) {
            if (sameName(existing.name, index.name))
                RaiseDdlError(QStringLiteral("Table '%1' already has an index named '%2'.")
                                  .arg(table.name, index.name));
            if (index.primary && existing.primary)
                RaiseDdlError(QStringLiteral("Primary key already exists."));
        }
        table.indexes.append(index);
    }

    // False when the table has no index so named; a relationship's only unique index on the
    // referenced fields cannot go, as Jet keeps the relationship's integrity by it.
    bool removeIndex(Table& table, const QString& name) {
        const Index* index = nullptr;
        for (const Index& i : table.indexes)
            if (sameName(i.name, name))
                index = &i;
        if (!index)
            return false;
        for (const Relationship& r : db_.relationships)
            if (sameName(r.referencedTable, table.name) && coversReferenced(*index, r) &&
                std::count_if(table.indexes.cbegin(), table.indexes.cend(), [&](const Index& i) {
                    return i.unique && coversReferenced(i, r);
                }) == 1)
                RaiseDdlError(QStringLiteral("Cannot delete this index or table. It is either the "
                                             "current index or is used in a relationship."));
        table.indexes.removeIf([&](const Index& i) { return &i == index; });
        return true;
    }

    static bool coversReferenced(const Index& index, const Relationship& r) {
        if (!index.unique || index.columns.size() != r.columns.size())
            return false;
        for (qsizetype n = 0; n < r.columns.size(); ++n)
            if (!sameName(index.columns[n].name, r.columns[n].referencedColumn))
                return false;
        return true;
    }

    static QString freeIndexName(const Table& table, const char* base) {
        QString name = QString::fromLatin1(base);
        for (int n = 1;; ++n) {
            bool taken = false;
            for (const Index& i : table.indexes)
                taken = taken || sameName(i.name, name);
            if (!taken)
                return name;
            name = QStringLiteral("%1%2").arg(QLatin1String(base)).arg(n);
        }
    }

    // A foreign key refers to the referenced table's primary key unless it names the columns,
    // and those must carry a unique index, as Jet demands.
    void addRelationship(Table& table, const DdlConstraint& k) {
        Table* referenced = db_.findTable(k.referencedTable);
        if (!referenced)
            RaiseDdlError(QStringLiteral("Table '%1' does not exist.").arg(k.referencedTable));
        QStringList targets = k.referencedColumns;
        if (targets.isEmpty())
            for (const Index& i : referenced->indexes)
                if (i.primary)
                    for (const IndexColumn& c : i.columns)
                        targets << c.name;
        bool indexed = false;
        for (const Index& i : referenced->indexes) {
            if (!i.unique || i.columns.size() != targets.size())
                continue;
            bool same = true;
            for (qsizetype n = 0; n < targets.size(); ++n)
                same = same && sameName(i.columns[n].name, targets[n]);
            indexed = indexed || same;
        }
        if (!indexed || targets.size() != k.columns.size())
            RaiseDdlError(QStringLiteral("No unique index found for the referenced field of the "
                                         "primary table."));
        for (qsizetype n = 0; n < targets.size(); ++n)
            if (storedType(requireColumn(table, k.columns[n])) !=
                storedType(requireColumn(*referenced, targets[n])))
                RaiseDdlError(QStringLiteral("Relationship must be on the same number of fields "
                                             "with the same data types."));
        Relationship r;
        r.table = table.name;
        r.referencedTable = referenced->name;
        r.name = k.name.isEmpty() ? referenced->name + table.name : k.name;
        requireValidName(r.name);
        for (const Relationship& existing : db_.relationships)
            if (sameName(existing.name, r.name))
                RaiseDdlError(QStringLiteral("Relationship '%1' already exists.").arg(r.name));
        for (qsizetype n = 0; n < targets.size(); ++n)
            r.columns.append({requireColumn(table, k.columns[n]).name,
                              requireColumn(*referenced, targets[n]).name});
        r.enforced = true;
        r.cascadeUpdate = k.cascadeUpdate;
        r.cascadeDelete = k.cascadeDelete;
        r.cascadeToNull = k.cascadeToNull;
        db_.relationships.append(r);
    }

    // Jet relates fields by how they are stored: an AutoNumber is a Long, fixed and variable
    // text are both text.
    static int storedType(const Column& column) {
        constexpr int kFixedText = 130;
        constexpr int kText = 202;
        return column.dataType == kFixedText ? kText : column.dataType;
    }

    static bool usesColumn(const Relationship& r, const QString& table, const QString& column) {
        for (const RelationshipColumn& c : r.columns) {
            if (sameName(r.table, table) && sameName(c.column, column))
                return true;
            if (sameName(r.referencedTable, table) && sameName(c.referencedColumn, column))
                return true;
        }
        return false;
    }

    Schema& db_;
};

} // namespace

void ApplyJetDdl(Schema& schema, const QString& statement) {
    DdlStatement parsed = ParseJetDdl(statement);
    // Lists are shared until written, so the copy costs little even for a large schema.
    Schema work = schema;
    std::visit(Applier(work), parsed);
    schema = std::move(work);
}

} // namespace vantor
