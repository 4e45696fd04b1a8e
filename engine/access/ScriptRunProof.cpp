#include "engine/access/ScriptRunProof.h"

#include "engine/Compare.h"
#include "engine/access/writer/SavedQueries.h"
#include "engine/snapshot/JetDdl.h"
#include "model/Error.h"

#include <QHash>
#include <memory>

namespace vantor {

namespace {

// The tables a statement writes to, and those its relationships point at.
QStringList tablesWritten(const DdlStatement& statement) {
    QStringList out;
    auto referenced = [&out](const QList<DdlConstraint>& constraints) {
        for (const DdlConstraint& c : constraints)
            if (c.kind == DdlConstraint::Kind::ForeignKey)
                out << c.referencedTable;
    };
    auto columnsReferenced = [&referenced](const QList<DdlColumn>& columns) {
        for (const DdlColumn& c : columns)
            referenced(c.constraints);
    };
    std::visit(
        [&](const auto& s) {
            using S = std::decay_t<decltype(s)>;
            if constexpr (std::is_same_v<S, CreateTableStmt> || std::is_same_v<S, AlterAddStmt>) {
                out << s.table;
                columnsReferenced(s.columns);
                referenced(s.constraints);
            } else if constexpr (std::is_same_v<S, CreateIndexStmt> ||
                                 std::is_same_v<S, DropTableStmt> ||
                                 std::is_same_v<S, DropIndexStmt> ||
                                 std::is_same_v<S, AlterDropColumnsStmt> ||
                                 std::is_same_v<S, AlterDropConstraintStmt>) {
                out << s.table;
            } else if constexpr (std::is_same_v<S, AlterColumnStmt>) {
                out << s.table;
                referenced(s.column.constraints);
            }
        },
        statement);
    return out;
}

bool isLink(const Table& table) {
    return table.kind == ObjectKind::Link || table.kind == ObjectKind::PassThrough;
}

QString stateText(ObjectState state) {
    switch (state) {
    case ObjectState::Different:
        return QStringLiteral("differs from what the script makes");
    case ObjectState::OnlyPrimary:
        return QStringLiteral("is missing");
    case ObjectState::OnlySecondary:
        return QStringLiteral("should not be there");
    case ObjectState::Equal:
        break;
    }
    return QString();
}

// The view or procedure a batch creates, if it creates one.
std::optional<QString> queryCreated(const QString& batch) {
    try {
        const DdlStatement statement = ParseJetDdl(batch);
        if (const auto* view = std::get_if<CreateViewStmt>(&statement))
            return view->view;
        if (const auto* procedure = std::get_if<CreateProcedureStmt>(&statement))
            return procedure->procedure;
    } catch (const Error&) {
    }
    return std::nullopt;
}

// The reader hides the queries Access keeps for forms and reports and its scratch queries,
// whose names start with '~'; the writer sets no hidden flag of its own.
bool readAsHidden(const QString& name) {
    return name.startsWith(u'~');
}

// A saved query lives in the file as rows, and the reader shows the SQL those rows give, as
// Access does: a view or procedure is predicted in that form. A select procedure without
// parameters is what the reader calls a view.
void asStored(Schema& schema, const QString& batch) {
    DdlStatement statement;
    try {
        statement = ParseJetDdl(batch);
    } catch (const Error&) {
        return;
    }
    if (const auto* view = std::get_if<CreateViewStmt>(&statement)) {
        const auto stored = jet::StoredQueryOf(*view);
        View* made = schema.findView(view->view);
        if (const auto* query = std::get_if<jetsql::StorableQuery>(&stored); query && made) {
            made->definition = query->sql;
            made->hidden = readAsHidden(made->name);
        }
    } else if (const auto* procedure = std::get_if<CreateProcedureStmt>(&statement)) {
        const auto stored = jet::StoredQueryOf(*procedure);
        const auto* query = std::get_if<jetsql::StorableQuery>(&stored);
        auto made = std::find_if(schema.queries.begin(), schema.queries.end(), [&](const Query& q) {
            return FoldKey(q.name) == FoldKey(procedure->procedure);
        });
        if (!query || made == schema.queries.end())
            return;
        if (query->plainSelect) {
            schema.views.append(View{made->name, query->sql, readAsHidden(made->name)});
            schema.queries.erase(made);
            return;
        }
        made->sql = query->sql;
        made->parameters = query->parameters;
        made->hidden = readAsHidden(made->name);
    }
}

} // namespace

QList<DdlStatement> CheckBatchesWritable(const QList<AccessBatch>& batches,
                                         const StatementVerdict& whyNotWritable) {
    QList<DdlStatement> out;
    for (const AccessBatch& batch : batches) {
        try {
            out << ParseJetDdl(batch.text);
        } catch (const Error& e) {
            throw Error(e.code(), QStringLiteral("%1 cannot be read, so nothing was run: %2")
                                      .arg(batch.label, e.description()));
        }
        if (std::optional<QString> why = whyNotWritable(out.last()))
            throw Error(ErrorCode::Provider,
                        QStringLiteral("%1 cannot be run on an Access file, so nothing was run: "
                                       "%2")
                            .arg(batch.label, *why));
    }
    return out;
}

PredictedRun PredictRun(const Schema& original, const QList<AccessBatch>& batches,
                        const QList<DdlStatement>& statements) {
    Schema schema = original;
    PredictedRun run;
    for (qsizetype i = 0; i < batches.size(); ++i) {
        for (const QString& name : tablesWritten(statements.value(i))) {
            const Table* table = schema.findTable(name);
            if (table && isLink(*table))
                throw Error(ErrorCode::Provider,
                            QStringLiteral("%1 changes the linked table '%2', whose definition "
                                           "lives in another database; nothing was run.")
                                .arg(batches[i].label, table->name));
        }
        try {
            ApplyJetDdl(schema, batches[i].text);
        } catch (const Error& e) {
            run.failure = ApplyFailure{static_cast<qint32>(i), e.number(), e.description()};
            return run;
        }
        ++run.runnable;
    }
    return run;
}

Schema PredictedSchema(const Schema& original, const QList<AccessBatch>& batches, qint32 count) {
    Schema schema = original;
    // The statements run on the schema as the interpreter keeps it; the queries that are left
    // are put in their stored form at the end, each as its last CREATE made it.
    QHash<QString, QString> lastCreate;
    for (qint32 i = 0; i < count; ++i) {
        ApplyJetDdl(schema, batches[i].text);
        if (const std::optional<QString> name = queryCreated(batches[i].text))
            lastCreate.insert(FoldKey(*name), batches[i].text);
    }
    for (const QString& batch : std::as_const(lastCreate))
        asStored(schema, batch);
    return schema;
}

RowEffects RowEffectsOf(const QList<DdlStatement>& statements) {
    RowEffects effects;
    for (const DdlStatement& statement : statements)
        std::visit(
            [&effects](const auto& s) {
                using S = std::decay_t<decltype(s)>;
                if constexpr (std::is_same_v<S, CreateTableStmt>) {
                    effects.changed.insert(FoldKey(s.table));
                    effects.created.insert(FoldKey(s.table));
                } else if constexpr (std::is_same_v<S, DropTableStmt>) {
                    effects.changed.insert(FoldKey(s.table));
                    effects.created.remove(FoldKey(s.table));
                } else if constexpr (std::is_same_v<S, AlterAddStmt>) {
                    if (!s.columns.isEmpty())
                        effects.changed.insert(FoldKey(s.table));
                } else if constexpr (std::is_same_v<S, AlterDropColumnsStmt> ||
                                     std::is_same_v<S, AlterColumnStmt>) {
                    effects.changed.insert(FoldKey(s.table));
                }
            },
            statement);
    return effects;
}

QStringList WhatDiffers(const Schema& predicted, const Schema& readBack, const RowEffects& effects,
                        const QList<TableRowDigest>& before, const QList<TableRowDigest>& after) {
    QStringList differences;
    const Diff diff = Compare(std::make_shared<const Schema>(predicted),
                              std::make_shared<const Schema>(readBack));
    for (const DiffEntry& entry : diff.entries)
        if (entry.state != ObjectState::Equal)
            differences << QStringLiteral("%1 '%2' %3")
                               .arg(TypeName(entry.kind).toLower(), entry.name,
                                    stateText(entry.state));

    QHash<QString, TableRowDigest> was, is;
    for (const TableRowDigest& d : before)
        was.insert(FoldKey(d.table), d);
    for (const TableRowDigest& d : after)
        is.insert(FoldKey(d.table), d);
    for (const Table& table : predicted.tables) {
        if (table.kind != ObjectKind::Table)
            continue;
        const QString key = FoldKey(table.name);
        const auto now = is.constFind(key);
        if (now == is.constEnd()) {
            differences << QStringLiteral("the rows of table '%1' cannot be found").arg(table.name);
            continue;
        }
        if (effects.created.contains(key)) {
            if (now->rows != 0)
                differences << QStringLiteral("the new table '%1' holds %2 rows instead of none")
                                   .arg(table.name)
                                   .arg(now->rows);
            continue;
        }
        const auto then = was.constFind(key);
        if (then == was.constEnd()) {
            differences << QStringLiteral("table '%1' was not there before").arg(table.name);
            continue;
        }
        if (now->rows != then->rows)
            differences << QStringLiteral("table '%1' holds %2 rows instead of %3")
                               .arg(table.name)
                               .arg(now->rows)
                               .arg(then->rows);
        else if (!effects.changed.contains(key) && now->sha256 != then->sha256)
            differences << QStringLiteral("the rows of table '%1' changed").arg(table.name);
    }
    return differences;
}

} // namespace vantor
