#include "engine/access/writer/Constraints.h"

#include "engine/access/writer/CatalogRows.h"
#include "engine/access/writer/IndexStatements.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/Relationships.h"
#include "engine/access/writer/TableScan.h"

#include <algorithm>

namespace vantor::jet {

namespace {

constexpr quint8 kForeignKeyKind = 2;

// The first of base, base1, base2… that no index of the table has, relationships' own included,
// so the name never collides inside the definition.
QString freeIndexName(const TableDef& def, const QString& base) {
    QString name = base;
    for (int n = 1; std::any_of(def.logicalIndexes.begin(), def.logicalIndexes.end(),
                                [&](const LogicalIndexDef& l) { return SameName(l.name, name); });
         ++n)
        name = base + QString::number(n);
    return name;
}

} // namespace

QList<DdlConstraint> ConstraintsInOrder(const QList<DdlColumn>& columns,
                                        const QList<DdlConstraint>& tableConstraints) {
    QList<DdlConstraint> out;
    for (const DdlColumn& c : columns)
        for (DdlConstraint k : c.constraints) {
            k.columns = QStringList{c.column.name};
            out.append(k);
        }
    out.append(tableConstraints);
    return out;
}

void AddConstraints(PageFile& file, PageAllocator& allocator, const QString& table,
                    const QList<DdlConstraint>& constraints, KeyFormat format) {
    for (const DdlConstraint& k : constraints) {
        if (k.kind == DdlConstraint::Kind::ForeignKey) {
            CreateRelationship(file, allocator, table, k, format);
            continue;
        }
        const CatalogObject object = RequireUserTable(ReadCatalog(file), table);
        CreateIndexStmt index;
        index.table = object.name;
        index.primary = k.kind == DdlConstraint::Kind::PrimaryKey;
        index.unique = true;
        index.required = index.primary;
        index.index = k.name.isEmpty() ? freeIndexName(ReadTableDef(file, quint32(object.id)),
                                                       index.primary ? QStringLiteral("PrimaryKey")
                                                                     : QStringLiteral("Index"))
                                       : k.name;
        RequireValidObjectName(index.index);
        for (const QString& column : k.columns)
            index.columns.append({column, false});
        CreateIndex(file, allocator, index, format);
    }
}

void DropConstraint(PageFile& file, PageAllocator& allocator, const AlterDropConstraintStmt& s,
                    KeyFormat format) {
    const CatalogObject table = RequireUserTable(ReadCatalog(file), s.table);
    const TableDef def = ReadTableDef(file, quint32(table.id));
    if (std::any_of(def.logicalIndexes.begin(), def.logicalIndexes.end(),
                    [&](const LogicalIndexDef& l) {
                        return l.kind != kForeignKeyKind && SameName(l.name, s.constraint);
                    })) {
        DropIndex(file, allocator, {s.constraint, table.name});
        return;
    }
    if (!DropRelationship(file, allocator, table.name, s.constraint, format))
        RaiseDdlError(QStringLiteral("Constraint '%1' does not exist on table '%2'.")
                          .arg(s.constraint, table.name));
}

} // namespace vantor::jet
