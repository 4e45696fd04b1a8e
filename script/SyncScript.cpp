#include "script/SyncScript.h"

#include "engine/SchemaDdl.h"
#include "engine/SchemaOrder.h"
#include "engine/SqlDataType.h"
#include "engine/SqlText.h"
#include "model/Error.h"
#include "script/AlterScript.h"

#include <QHash>
#include <QRegularExpression>
#include <functional>
#include <queue>

namespace vantor {

namespace {

const QString kGoLine = QStringLiteral("GO\r\n");

bool sameName(const QString& a, const QString& b) {
    return FoldKey(a) == FoldKey(b);
}

// One side's object of a diff entry, as the script plans it.
struct Planned {
    ObjectKind kind = ObjectKind::Table;
    QString name;                 // the object's own name
    QString entryName;            // the diff's, which notes carry
    const Table* table = nullptr; // the table, or the one an index or properties belong to
    const View* view = nullptr;
    const Query* query = nullptr;
    const Index* index = nullptr;
    const Relationship* relationship = nullptr;
    QString definition; // as the comparison wrote it for this side
    bool system = false;
};

// A side's tables by folded name, so that looking one up does not walk them all.
using TablesByName = QHash<QString, const Table*>;

TablesByName tablesByName(const Schema& schema) {
    TablesByName tables;
    tables.reserve(schema.tables.size());
    for (const Table& t : schema.tables)
        tables.insert(FoldKey(t.name), &t);
    return tables;
}

std::optional<Planned> objectOn(const DiffEntry& e, Side side, const TablesByName& tables) {
    const std::optional<ObjectKind> kind = e.kindOn(side);
    if (!kind)
        return std::nullopt;
    Planned p;
    p.kind = *kind;
    p.entryName = e.name;
    p.table = e.table(side) ? e.table(side) : e.owner(side);
    p.view = e.view(side);
    p.query = e.query(side);
    p.index = e.index(side);
    p.relationship = e.relationship(side);
    p.definition = e.text(side);
    p.name = p.view           ? p.view->name
             : p.query        ? p.query->name
             : p.index        ? p.index->name
             : p.relationship ? p.relationship->name
             : p.table        ? p.table->name
                              : e.name;
    p.system = IsSystemKind(p.kind) || (p.table && IsSystemKind(p.table->kind));
    if (p.relationship)
        if (const Table* referenced = tables.value(FoldKey(p.relationship->referencedTable)))
            p.system = p.system || IsSystemKind(referenced->kind);
    return p;
}

// The text a view or query is read from for the names it uses.
QString readText(const Planned& o) {
    if (o.query)
        return o.query->sql;
    // A CREATE VIEW batch without its first line, which names the view.
    const qsizetype firstBreak = o.definition.indexOf(QLatin1Char('\n'));
    return firstBreak < 0 ? QString() : o.definition.mid(firstBreak + 1);
}

// Orders views and queries so that each is created after the ones it reads, or, for drops,
// dropped before them; those caught in a cycle, and those without such ties, keep their order.
std::vector<Planned> orderByReads(const std::vector<Planned>& readers, bool readersFirst) {
    const size_t n = readers.size();
    QHash<QString, size_t> indexOf;
    for (size_t i = 0; i < n; ++i)
        indexOf.insert(FoldKey(readers[i].name), i);
    std::vector<std::vector<size_t>> unblocks(n); // unblocks[a]: readers that wait for a
    std::vector<int> waitingFor(n, 0);
    for (size_t reader = 0; reader < n; ++reader) {
        for (const QString& name : NamesReadBy(readText(readers[reader]))) {
            auto it = indexOf.constFind(name);
            if (it == indexOf.constEnd() || *it == reader)
                continue;
            size_t first = readersFirst ? reader : *it;
            size_t second = readersFirst ? *it : reader;
            unblocks[first].push_back(second);
            ++waitingFor[second];
        }
    }
    // Smallest original position first among those free to go, so the order stays stable.
    std::priority_queue<size_t, std::vector<size_t>, std::greater<>> ready;
    for (size_t i = 0; i < n; ++i)
        if (waitingFor[i] == 0)
            ready.push(i);
    std::vector<Planned> ordered;
    std::vector<bool> done(n, false);
    size_t firstLeft = 0;
    while (ordered.size() < n) {
        size_t pick = n;
        while (!ready.empty() && pick == n) {
            if (!done[ready.top()])
                pick = ready.top();
            ready.pop();
        }
        if (pick == n) { // a cycle: take the first one left
            while (done[firstLeft])
                ++firstLeft;
            pick = firstLeft;
        }
        done[pick] = true;
        ordered.push_back(readers[pick]);
        for (size_t next : unblocks[pick])
            if (--waitingFor[next] == 0)
                ready.push(next);
    }
    return ordered;
}

bool coversReferenced(const Index& index, const Relationship& r) {
    if (!(index.unique || index.primary) || index.columns.size() != r.columns.size())
        return false;
    for (qsizetype n = 0; n < r.columns.size(); ++n)
        if (!sameName(index.columns[n].name, r.columns[n].referencedColumn))
            return false;
    return true;
}

// What in the target's schema would stop the planned changes: relationships of dropped tables,
// of dropped or altered fields (at either end) and of dropped unique indexes they hang on, and
// indexes over dropped fields.
class Obstacles {
public:
    QSet<QString> tables;                        // folded names of the tables to be dropped
    QHash<QString, QSet<QString>> columns;       // folded table name: folded fields dropped
    QHash<QString, QSet<QString>> altered;       // folded table name: folded fields re-typed
    QHash<QString, QList<const Index*>> indexes; // folded table name: indexes dropped

    bool Blocks(const Relationship& r) const {
        if (Ends(r))
            return true;
        for (const RelationshipColumn& c : r.columns)
            if (in(altered, r.table, c.column) ||
                in(altered, r.referencedTable, c.referencedColumn))
                return true;
        for (const Index* index : indexes.value(FoldKey(r.referencedTable)))
            if (coversReferenced(*index, r))
                return true;
        return false;
    }
    // Whether the relationship cannot exist after the changes, its table or a field gone.
    bool Ends(const Relationship& r) const {
        if (tables.contains(FoldKey(r.table)) || tables.contains(FoldKey(r.referencedTable)))
            return true;
        for (const RelationshipColumn& c : r.columns)
            if (in(columns, r.table, c.column) ||
                in(columns, r.referencedTable, c.referencedColumn))
                return true;
        return false;
    }
    bool Blocks(const Table& table, const Index& index) const {
        if (tables.contains(FoldKey(table.name)))
            return false; // its indexes go with it
        for (const IndexColumn& c : index.columns)
            if (in(columns, table.name, c.name))
                return true;
        return false;
    }

private:
    static bool in(const QHash<QString, QSet<QString>>& fields, const QString& table,
                   const QString& column) {
        auto it = fields.constFind(FoldKey(table));
        return it != fields.constEnd() && it->contains(FoldKey(column));
    }
};

// The default values a script can set: numbers, quoted strings, the logical words and the date
// functions Jet's DEFAULT clause takes; Access sets any other expression.
bool isScriptableDefault(const QString& value) {
    static const QRegularExpression simple(
        QStringLiteral("^(?:[-+]?[0-9]+(?:\\.[0-9]+)?|\"(?:[^\"]|\"\")*\"|'(?:[^']|'')*'|"
                       "yes|no|true|false|on|off|null|now\\(\\)|date\\(\\)|time\\(\\))$"),
        QRegularExpression::CaseInsensitiveOption);
    return simple.match(value.trimmed()).hasMatch();
}

QString quoted(const QString& value) {
    return QLatin1Char('"') + value + QLatin1Char('"');
}

class Planner {
public:
    Planner(const Diff& diff, Side target)
        : target_(target), targetSchema_(diff.schema(target)),
          targetTables_(tablesByName(diff.schema(target))),
          sourceTables_(tablesByName(diff.schema(OtherSide(target)))) {}

    void Plan(const DiffEntry& entry) {
        if (entry.state == ObjectState::Equal)
            return;
        std::optional<Planned> source = objectOn(entry, OtherSide(target_), sourceTables_);
        std::optional<Planned> target = objectOn(entry, target_, targetTables_);
        // The database's own tables are its engine's business; a sync leaves them out.
        if ((source && source->system) || (target && target->system))
            return;
        switch (entry.kind) {
        case ObjectKind::Index:
            planIndex(source, target);
            return;
        case ObjectKind::Relationship:
            planRelationship(source, target);
            return;
        case ObjectKind::Properties:
            planProperties(source, target);
            return;
        case ObjectKind::LinkSource:
            note(source ? *source : *target, SyncNote::Cause::Unscriptable,
                 QStringLiteral("a link's source cannot be scripted; link the table anew in "
                                "Access (External Data, Linked Table Manager)."));
            return;
        default:
            break;
        }
        for (const std::optional<Planned>& o : {source, target}) {
            if (o && (o->kind == ObjectKind::Link || o->kind == ObjectKind::PassThrough)) {
                note(*o, SyncNote::Cause::Unscriptable,
                     QStringLiteral("links cannot be scripted; link the table in Access "
                                    "(External Data, Linked Table Manager)."));
                return;
            }
        }
        // No statement hides a view, so dropping and creating it again would change nothing. (A
        // hidden query's text says so itself, and its script carries the note.)
        if (source && target && source->view && target->view &&
            source->definition == target->definition &&
            source->view->hidden != target->view->hidden) {
            note(*target, SyncNote::Cause::AccessOnly,
                 QStringLiteral("it is hidden in one database only; %1 it in Access (its "
                                "Properties, Hidden).")
                     .arg(source->view->hidden ? QStringLiteral("hide") : QStringLiteral("show")));
            return;
        }
        if (source && target && source->kind == target->kind && source->kind == ObjectKind::Table) {
            alter(*source, *target);
            return;
        }
        // Nothing is dropped for an object that cannot be made again.
        if (source && !creatable(*source))
            return;
        if (target)
            drop(*target);
        if (source)
            create(*source);
    }

    SyncScript Finish() {
        for (const Planned& o : orderByReads(dropReaders_, true))
            add(o.kind == ObjectKind::View ? SyncStep::Kind::DropView : SyncStep::Kind::DropQuery,
                o.name,
                (o.kind == ObjectKind::View ? SqlDrop(o.kind, o.name) : DropProcedureText(o.name)) +
                    CrLf + kGoLine);
        indexTables();
        Obstacles in = obstacles();
        dropRelationships(in);
        dropIndexes();
        for (const Planned& t : dropTables_) {
            const QString loss =
                QStringLiteral("DROP TABLE %1 and every row in it").arg(SqlBracket(t.name));
            script_.dataLoss << loss;
            add(SyncStep::Kind::DropTable, t.name,
                QStringLiteral("-- Data loss: ") + loss + CrLf + SqlDrop(t.kind, t.name) + CrLf +
                    kGoLine);
        }
        for (const Alter& a : alters_) {
            script_.dataLoss += a.losses;
            add(SyncStep::Kind::AlterTable, a.target.name, a.text);
        }
        for (const Planned& t : createTables_)
            add(SyncStep::Kind::CreateTable, t.name,
                t.table ? CreateTableTextInDesignOrder(*t.table) : t.definition);
        setDefaults();
        createIndexes();
        createRelationships();
        for (const Planned& o : orderByReads(createReaders_, false))
            add(o.kind == ObjectKind::View ? SyncStep::Kind::CreateView
                                           : SyncStep::Kind::CreateQuery,
                o.name,
                o.kind == ObjectKind::View ? o.definition + CrLf
                                           : CreateProcedureText(*o.query) + CrLf + kGoLine);
        return std::move(script_);
    }

private:
    struct Alter {
        Planned source;
        Planned target;
        QString text;
        QStringList losses;
    };
    struct Default {
        Planned owner; // the source's table
        const Column* column;
    };

    void note(const Planned& o, SyncNote::Cause cause, const QString& reason) {
        const bool derived =
            !IsTableKind(o.kind) && o.kind != ObjectKind::View && o.kind != ObjectKind::Query;
        script_.notes.push_back({o.kind, derived ? o.entryName : o.name, reason, cause});
    }

    void add(SyncStep::Kind kind, const QString& name, const QString& text) {
        script_.steps.push_back({kind, name, text});
    }

    bool creatable(const Planned& o) {
        if (o.kind == ObjectKind::Table && o.definition.isEmpty()) {
            note(o, SyncNote::Cause::NoColumns,
                 QStringLiteral("a table without columns cannot be created."));
            return false;
        }
        if (o.kind != ObjectKind::Query)
            return true;
        const QStringList lost = InexpressibleSettings(*o.query);
        if (lost.isEmpty() && !CreateProcedureText(*o.query).isNull())
            return true;
        note(o, SyncNote::Cause::AccessOnly, lost.join(u' '));
        return false;
    }

    void drop(const Planned& o) {
        if (o.kind == ObjectKind::View || o.kind == ObjectKind::Query)
            dropReaders_.push_back(o);
        else
            dropTables_.push_back(o);
    }

    void create(const Planned& o) {
        if (o.kind == ObjectKind::View || o.kind == ObjectKind::Query)
            createReaders_.push_back(o);
        else
            createTables_.push_back(o);
    }

    void alter(const Planned& source, const Planned& target) {
        QStringList losses;
        QString text = AlterTableScript(source.table, target.table, target.name, &losses);
        const QString letterCase = QStringLiteral(
            "the names differ only in letter case, which ALTER TABLE cannot change.");
        if (text.contains(QLatin1String("ALTER TABLE"))) {
            alters_.push_back({source, target, text, losses});
            // The columns are brought in line all the same; the names keep their letter case.
            if (source.name != target.name || fieldsDifferInCase(*source.table, *target.table))
                note(source, SyncNote::Cause::LetterCase, letterCase);
            return;
        }
        const bool onlyCase =
            source.definition.compare(target.definition, Qt::CaseInsensitive) == 0;
        if (onlyCase)
            note(source, SyncNote::Cause::LetterCase, letterCase);
        else
            note(source, SyncNote::Cause::NotAlterable,
                 QStringLiteral("the difference is not one that ALTER TABLE can make."));
    }

    static bool fieldsDifferInCase(const Table& source, const Table& target) {
        QHash<QString, QString> spelled;
        for (const Column& c : target.columns)
            spelled.insert(FoldKey(c.name), c.name);
        for (const Column& c : source.columns) {
            auto it = spelled.constFind(FoldKey(c.name));
            if (it != spelled.constEnd() && *it != c.name)
                return true;
        }
        return false;
    }

    void planIndex(const std::optional<Planned>& source, const std::optional<Planned>& target) {
        if (source) {
            const QStringList lost = InexpressibleSettings(*source->index);
            if (!lost.isEmpty()) {
                note(*source, SyncNote::Cause::AccessOnly, lost.join(u' '));
                return;
            }
            createIndexes_.push_back(*source);
            createdIndexes_[FoldKey(source->table->name)].append(source->index);
        }
        if (target)
            droppedIndexes_.insert(FoldKey(target->table->name) + u'.' + FoldKey(target->name));
    }

    void planRelationship(const std::optional<Planned>& source,
                          const std::optional<Planned>& target) {
        if (source) {
            const QStringList lost = InexpressibleSettings(*source->relationship);
            if (!lost.isEmpty()) {
                note(*source, SyncNote::Cause::AccessOnly, lost.join(u' '));
                return;
            }
            createRelationships_.push_back(*source);
        }
        if (target)
            droppedRelationships_.insert(FoldKey(target->name));
    }

    // Defaults that a statement can set become ALTER COLUMN batches; every other property that
    // differs is a note. A table only the target has keeps or loses its properties with it.
    void planProperties(const std::optional<Planned>& source,
                        const std::optional<Planned>& target) {
        if (!source)
            return;
        const Table& from = *source->table;
        const Table* to = target ? target->table : nullptr;
        auto isLink = [](const Table& t) {
            return t.kind == ObjectKind::Link || t.kind == ObjectKind::PassThrough;
        };
        if (to && isLink(*to) != isLink(from)) {
            note(*source, SyncNote::Cause::Unscriptable,
                 QStringLiteral("the table is a link on one side only, which no script changes; "
                                "set its properties in Access once it is linked or made a table "
                                "there."));
            return;
        }
        QHash<QString, const Column*> toColumns;
        if (to)
            for (const Column& c : to->columns)
                toColumns.insert(FoldKey(c.name), &c);
        const QString where =
            QStringLiteral("in the design of table %1 in Access.").arg(SqlBracket(from.name));
        auto setting = [&](const QString& property, const QString& owner,
                           const std::optional<QString>& want, const std::optional<QString>& have) {
            if (want == have)
                return;
            note(*source, SyncNote::Cause::AccessOnly,
                 want ? QStringLiteral("set %1 of %2 to %3 %4")
                            .arg(property, owner, quoted(*want), where)
                      : QStringLiteral("clear %1 of %2 %3").arg(property, owner, where));
        };
        auto text = [](const QString& value) {
            return value.isEmpty() ? std::optional<QString>() : std::optional<QString>(value);
        };
        const QString tableOwner = QStringLiteral("the table");
        setting(QStringLiteral("the Description"), tableOwner, text(from.description),
                to ? text(to->description) : std::nullopt);
        setting(QStringLiteral("the Validation Rule"), tableOwner, from.validationRule,
                to ? to->validationRule : std::nullopt);
        setting(QStringLiteral("the Validation Text"), tableOwner, from.validationText,
                to ? to->validationText : std::nullopt);
        const bool canAlter = from.kind == ObjectKind::Table && (!to || to->kind == from.kind);
        for (const Column* c : ColumnsByName(from)) {
            const Column none;
            const Column& have = *toColumns.value(FoldKey(c->name), &none);
            const QString field = QStringLiteral("field ") + SqlBracket(c->name);
            if (c->defaultValue != have.defaultValue) {
                if (c->defaultValue && canAlter && isScriptableDefault(*c->defaultValue) &&
                    !c->autoNumber && c->dataType != 14 && c->dataType != 131)
                    defaults_.push_back({*source, c});
                else
                    setting(QStringLiteral("the Default Value"), field, c->defaultValue,
                            have.defaultValue);
            }
            setting(QStringLiteral("the Description"), field, text(c->description),
                    text(have.description));
            setting(QStringLiteral("the Caption"), field, c->caption, have.caption);
            setting(QStringLiteral("the Format"), field, c->format, have.format);
            setting(QStringLiteral("the Input Mask"), field, c->inputMask, have.inputMask);
            if (c->decimalPlaces != have.decimalPlaces)
                note(*source, SyncNote::Cause::AccessOnly,
                     QStringLiteral("set Decimal Places of %1 to %2 %3")
                         .arg(field,
                              c->decimalPlaces ? QString::number(*c->decimalPlaces)
                                               : QStringLiteral("Auto"),
                              where));
            setting(QStringLiteral("the Validation Rule"), field, c->validationRule,
                    have.validationRule);
            setting(QStringLiteral("the Validation Text"), field, c->validationText,
                    have.validationText);
            if (c->allowZeroLength != have.allowZeroLength)
                note(*source, SyncNote::Cause::AccessOnly,
                     QStringLiteral("set Allow Zero Length of %1 to %2 %3")
                         .arg(field,
                              c->allowZeroLength ? QStringLiteral("Yes") : QStringLiteral("No"),
                              where));
        }
    }

    // Folded names of the tables as the script leaves them: created from the source, altered to
    // the source's fields, or dropped.
    void indexTables() {
        for (const Planned& t : createTables_)
            afterTables_.insert(FoldKey(t.name), t.table);
        for (const Alter& a : alters_)
            afterTables_.insert(FoldKey(a.target.name), a.source.table);
        for (const Planned& t : dropTables_)
            if (!afterTables_.contains(FoldKey(t.name)))
                afterTables_.insert(FoldKey(t.name), nullptr);
    }

    // The table as it will be once the script ran; nullptr when there will be none.
    const Table* tableAfter(const QString& name) const {
        auto it = afterTables_.constFind(FoldKey(name));
        if (it != afterTables_.constEnd())
            return *it;
        const Table* table = targetTables_.value(FoldKey(name));
        return table && table->kind == ObjectKind::Table ? table : nullptr;
    }

    static const Column* columnOf(const Table& table, const QString& name) {
        for (const Column& c : table.columns)
            if (sameName(c.name, name))
                return &c;
        return nullptr;
    }

    // Why the fields named on table will not all be there after the script; empty when they
    // will.
    QString missing(const QString& table, const QStringList& fields) const {
        if (const Table* after = tableAfter(table)) {
            for (const QString& field : fields)
                if (!columnOf(*after, field))
                    return QStringLiteral("the table %1 will have no field %2.")
                        .arg(SqlBracket(table), SqlBracket(field));
            return QString();
        }
        const Table* kept =
            afterTables_.contains(FoldKey(table)) ? nullptr : targetTables_.value(FoldKey(table));
        if (kept && (kept->kind == ObjectKind::Link || kept->kind == ObjectKind::PassThrough))
            return QStringLiteral("the table %1 is a link in the target database, and a link "
                                  "takes no index, relationship or default there.")
                .arg(SqlBracket(table));
        return QStringLiteral("the table %1 will not be in the target database.")
            .arg(SqlBracket(table));
    }

    // Whether the referenced fields will carry a unique index once the script ran.
    bool uniqueIndexAfter(const Relationship& r) const {
        for (const Index* index : createdIndexes_.value(FoldKey(r.referencedTable)))
            if (coversReferenced(*index, r))
                return true;
        if (afterTables_.contains(FoldKey(r.referencedTable)) &&
            !alteredNames_.contains(FoldKey(r.referencedTable)))
            return false; // created anew: only what the script creates is there
        if (const Table* t = targetTables_.value(FoldKey(r.referencedTable)))
            for (const Index& index : t->indexes)
                if (!goingIndexes_.contains(&index) && coversReferenced(index, r))
                    return true;
        return false;
    }

    Obstacles obstacles() {
        Obstacles in;
        for (const Planned& t : dropTables_)
            in.tables.insert(FoldKey(t.name));
        for (const Alter& a : alters_) {
            QHash<QString, const Column*> sourceColumns;
            for (const Column& c : a.source.table->columns)
                sourceColumns.insert(FoldKey(c.name), &c);
            for (const Column& c : a.target.table->columns) {
                const Column* wanted = sourceColumns.value(FoldKey(c.name));
                if (!wanted)
                    in.columns[FoldKey(a.target.name)].insert(FoldKey(c.name));
                else if (wanted->dataType != c.dataType ||
                         wanted->maxLength.value_or(0) != c.maxLength.value_or(0) ||
                         wanted->nullable != c.nullable)
                    in.altered[FoldKey(a.target.name)].insert(FoldKey(c.name));
            }
            alteredNames_.insert(FoldKey(a.target.name));
        }
        for (const Default& d : defaults_)
            in.altered[FoldKey(d.owner.table->name)].insert(FoldKey(d.column->name));
        for (const Table& t : targetSchema_.tables) {
            if (in.tables.contains(FoldKey(t.name)))
                continue; // its indexes go with it
            for (const Index& index : t.indexes) {
                if (droppedIndexes_.contains(FoldKey(t.name) + u'.' + FoldKey(index.name)) ||
                    in.Blocks(t, index)) {
                    goingIndexes_.insert(&index);
                    in.indexes[FoldKey(t.name)].append(&index);
                }
            }
        }
        return in;
    }

    // Fields re-typed and unique indexes dropped stand in the way of enforced relationships only,
    // as Jet keeps no integrity for the others.
    void dropRelationships(const Obstacles& in) {
        for (const Relationship& r : targetSchema_.relationships) {
            const bool byDiff = droppedRelationships_.contains(FoldKey(r.name));
            const bool blocked = in.Ends(r) || (r.enforced && in.Blocks(r));
            if (!byDiff && !blocked)
                continue;
            add(SyncStep::Kind::DropRelationship, r.name,
                QStringLiteral("ALTER TABLE ") + SqlBracket(r.table) + CrLf +
                    QStringLiteral(" DROP CONSTRAINT ") + SqlBracket(r.name) + CrLf + kGoLine);
            if (!byDiff && !in.Ends(r))
                readded_.push_back(&r);
        }
    }

    void dropIndexes() {
        for (const Table& t : targetSchema_.tables)
            for (const Index& index : t.indexes)
                if (goingIndexes_.contains(&index))
                    add(SyncStep::Kind::DropIndex, index.name,
                        DropIndexText(t.name, index.name) + CrLf + kGoLine);
    }

    void setDefaults() {
        for (const Default& d : defaults_) {
            const Table* after = tableAfter(d.owner.table->name);
            const Column* column = after ? columnOf(*after, d.column->name) : nullptr;
            QString type;
            if (column) {
                type = SqlDataType(column->dataType, column->maxLength.value_or(0), QString());
                ChopListSeparator(type);
                type = type.trimmed();
            }
            if (type.isEmpty()) {
                note(d.owner, SyncNote::Cause::Dependency,
                     QStringLiteral("set the Default Value of field %1 to %2 in the design of "
                                    "table %3 in Access: the field will not be there to alter.")
                         .arg(SqlBracket(d.column->name), quoted(*d.column->defaultValue),
                              SqlBracket(d.owner.table->name)));
                continue;
            }
            add(SyncStep::Kind::SetDefault, d.owner.table->name,
                QStringLiteral("ALTER TABLE %1 ALTER COLUMN %2 %3%4 DEFAULT %5")
                        .arg(SqlBracket(after->name), SqlBracket(column->name), type,
                             column->nullable ? QString() : QStringLiteral(" NOT NULL"),
                             d.column->defaultValue->trimmed()) +
                    CrLf + kGoLine);
        }
    }

    void createIndexes() {
        for (const Planned& o : createIndexes_) {
            QStringList fields;
            for (const IndexColumn& c : o.index->columns)
                fields << c.name;
            if (const QString why = missing(o.table->name, fields); !why.isEmpty()) {
                note(o, SyncNote::Cause::Dependency, QStringLiteral("cannot be created: ") + why);
                continue;
            }
            add(SyncStep::Kind::CreateIndex, o.name,
                CreateIndexText(tableAfter(o.table->name)->name, *o.index) + CrLf + kGoLine);
        }
    }

    // Whether the relationship can be added once the script's tables and indexes exist; notes
    // why not.
    bool canAdd(const Planned& o, const Relationship& r) {
        QStringList fields;
        QStringList referenced;
        for (const RelationshipColumn& c : r.columns) {
            fields << c.column;
            referenced << c.referencedColumn;
        }
        QString why = missing(r.table, fields);
        if (why.isEmpty())
            why = missing(r.referencedTable, referenced);
        if (why.isEmpty() && !uniqueIndexAfter(r))
            why = QStringLiteral("the fields it refers to in %1 will have no unique index.")
                      .arg(SqlBracket(r.referencedTable));
        if (why.isEmpty())
            return true;
        note(o, SyncNote::Cause::Dependency, QStringLiteral("cannot be added: ") + why);
        return false;
    }

    void createRelationships() {
        for (const Planned& o : createRelationships_)
            if (canAdd(o, *o.relationship))
                add(SyncStep::Kind::CreateRelationship, o.name,
                    AddRelationshipText(*o.relationship) + CrLf + kGoLine);
        for (const Relationship* r : readded_) {
            Planned o;
            o.kind = ObjectKind::Relationship;
            o.name = r->name;
            o.entryName = r->table + u'.' + r->name;
            o.relationship = r;
            const QStringList lost = InexpressibleSettings(*r);
            if (!lost.isEmpty()) {
                note(o, SyncNote::Cause::AccessOnly,
                     QStringLiteral("dropped for the changes to its tables, and Jet DDL cannot "
                                    "add it back whole; re-create it in the Relationships window "
                                    "in Access. ") +
                         lost.join(u' '));
                continue;
            }
            if (canAdd(o, *r))
                add(SyncStep::Kind::CreateRelationship, r->name,
                    AddRelationshipText(*r) + CrLf + kGoLine);
        }
    }

    Side target_;
    const Schema& targetSchema_;
    TablesByName targetTables_;
    TablesByName sourceTables_;
    SyncScript script_;
    std::vector<Planned> dropReaders_, dropTables_, createTables_, createReaders_;
    std::vector<Planned> createIndexes_, createRelationships_;
    std::vector<Alter> alters_;
    std::vector<Default> defaults_;
    QHash<QString, QList<const Index*>> createdIndexes_; // folded table name: indexes created
    QSet<QString> droppedIndexes_;       // folded "table.index" of the target's to drop
    QSet<QString> droppedRelationships_; // folded names of the target's to drop
    QHash<QString, const Table*> afterTables_;
    QSet<QString> alteredNames_;
    QSet<const Index*> goingIndexes_;
    std::vector<const Relationship*> readded_;
};

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c.isMark();
}

} // namespace

QString SyncScript::Text() const {
    QString text;
    if (!dataLoss.isEmpty()) {
        text += QStringLiteral("-- Data loss: ") + DataLossSummary() +
                QStringLiteral(", each marked by a \"-- Data loss\" line:") + CrLf;
        for (const QString& loss : dataLoss)
            text += QStringLiteral("--   ") + loss + CrLf;
    }
    for (const SyncStep& step : steps)
        text += step.text;
    return text;
}

QString SyncScript::DataLossSummary() const {
    return dataLoss.size() == 1
               ? QStringLiteral("1 batch of the script destroys data")
               : QStringLiteral("%1 batches of the script destroy data").arg(dataLoss.size());
}

QString SyncNote::text() const {
    return TypeName(kind) + QStringLiteral(" [") + name + QStringLiteral("]: ") + reason;
}

QStringList SyncScript::NoteTexts() const {
    QStringList texts;
    for (const SyncNote& n : notes)
        texts << n.text();
    return texts;
}

SyncScript BuildSyncScript(const Diff& diff, Side target, const QString& objectName) {
    Planner planner(diff, target);
    if (!objectName.isEmpty()) {
        const DiffEntry* entry = diff.find(objectName);
        if (!entry)
            throw Error(
                ErrorCode::ItemNotFound,
                QStringLiteral("Neither database has an object named '%1'.").arg(objectName));
        planner.Plan(*entry);
    } else {
        for (const DiffEntry& entry : diff.entries)
            planner.Plan(entry);
    }
    return planner.Finish();
}

QSet<QString> NamesReadBy(const QString& definition) {
    QSet<QString> names;
    const qsizetype n = definition.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = definition[i];
        if (c == u'[' || c == u'`') {
            const QChar close = c == u'[' ? u']' : u'`';
            qsizetype end = definition.indexOf(close, i + 1);
            if (end < 0)
                end = n;
            names.insert(FoldKey(definition.mid(i + 1, end - i - 1)));
            i = end + 1;
        } else if (c == u'\'' || c == u'"') {
            // A doubled quote inside a string is the quote itself, so scanning on is the same.
            qsizetype end = definition.indexOf(c, i + 1);
            i = end < 0 ? n : end + 1;
        } else if (isNameChar(c)) {
            qsizetype end = i;
            while (end < n && isNameChar(definition[end]))
                ++end;
            names.insert(FoldKey(definition.mid(i, end - i)));
            i = end;
        } else {
            ++i;
        }
    }
    return names;
}

} // namespace vantor
