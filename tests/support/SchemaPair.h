#pragma once

#include "engine/Compare.h"
#include "tests/support/MemorySource.h"

namespace vantor::test {

// Two schemas built side by side in a test, then compared.
class SchemaPair {
public:
    Schema primary;
    Schema secondary;

    TableBuilder pri(const QString& name, ObjectKind kind = ObjectKind::Table) {
        return addTable(primary, name, kind);
    }
    TableBuilder sec(const QString& name, ObjectKind kind = ObjectKind::Table) {
        return addTable(secondary, name, kind);
    }
    void priView(const QString& name, const QString& sql) { primary.views.append({name, sql}); }
    void secView(const QString& name, const QString& sql) { secondary.views.append({name, sql}); }

    Diff compare(const CompareOptions& options = {}) const {
        return Compare(std::make_shared<const Schema>(primary),
                       std::make_shared<const Schema>(secondary), options);
    }

    static TableBuilder addTable(Schema& schema, const QString& name,
                                 ObjectKind kind = ObjectKind::Table) {
        Table t;
        t.name = name;
        t.kind = kind;
        schema.tables.append(t);
        return TableBuilder(schema.tables.last());
    }
};

} // namespace vantor::test
