#include "script/SyncScript.h"

#include "engine/SqlText.h"
#include "model/Error.h"
#include "script/AlterScript.h"

#include <QHash>
#include <functional>
#include <queue>

namespace vantor {

namespace {

const QString kGoLine = QStringLiteral("GO\r\n");

// One side's object of a diff entry, as the script plans it.
struct Planned {
    ObjectKind kind = ObjectKind::Table;
    QString name;
    const Table* table = nullptr;
    QString definition; // as the comparison wrote it for this side
};

std::optional<Planned> objectOn(const DiffEntry& e, Side side) {
    if (const Table* t = e.table(side))
        return Planned{t->kind, t->name, t, e.text(side)};
    if (const View* v = e.view(side))
        return Planned{ObjectKind::View, v->name, nullptr, e.text(side)};
    return std::nullopt;
}

bool isScriptable(ObjectKind kind) {
    return kind == ObjectKind::Table || kind == ObjectKind::View;
}

// The select text of a CREATE VIEW batch, without its first line that names the view.
QString viewBody(const Planned& view) {
    QString text = view.definition;
    qsizetype firstBreak = text.indexOf(QLatin1Char('\n'));
    return firstBreak < 0 ? QString() : text.mid(firstBreak + 1);
}

// Orders views so that each is created after the views it reads, or, for drops, dropped before
// them; views caught in a cycle, and views without such ties, keep their original order.
std::vector<Planned> orderByReads(const std::vector<Planned>& views, bool readersFirst) {
    const size_t n = views.size();
    QHash<QString, size_t> indexOf;
    for (size_t i = 0; i < n; ++i)
        indexOf.insert(FoldKey(views[i].name), i);
    std::vector<std::vector<size_t>> unblocks(n); // unblocks[a]: views that wait for a
    std::vector<int> waitingFor(n, 0);
    for (size_t reader = 0; reader < n; ++reader) {
        for (const QString& name : NamesReadBy(viewBody(views[reader]))) {
            auto it = indexOf.constFind(name);
            if (it == indexOf.constEnd() || *it == reader)
                continue;
            size_t first = readersFirst ? reader : *it;
            size_t second = readersFirst ? *it : reader;
            unblocks[first].push_back(second);
            ++waitingFor[second];
        }
    }
    // Smallest original position first among the views free to go, so the order stays stable.
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
        ordered.push_back(views[pick]);
        for (size_t next : unblocks[pick])
            if (--waitingFor[next] == 0)
                ready.push(next);
    }
    return ordered;
}

// What in the target's schema would stop the planned drops: relationships of dropped tables and
// of dropped columns (at either end), and indexes over dropped columns.
class Obstacles {
public:
    QSet<QString> tables;                  // folded names of the tables to be dropped
    QHash<QString, QSet<QString>> columns; // folded table name: folded columns to be dropped

    bool Blocks(const Relationship& r) const {
        if (tables.contains(FoldKey(r.table)) || tables.contains(FoldKey(r.referencedTable)))
            return true;
        for (const RelationshipColumn& c : r.columns)
            if (dropsColumn(r.table, c.column) ||
                dropsColumn(r.referencedTable, c.referencedColumn))
                return true;
        return false;
    }
    bool Blocks(const Table& table, const Index& index) const {
        if (tables.contains(FoldKey(table.name)))
            return false; // its indexes go with it
        for (const IndexColumn& c : index.columns)
            if (dropsColumn(table.name, c.name))
                return true;
        return false;
    }

private:
    bool dropsColumn(const QString& table, const QString& column) const {
        auto it = columns.constFind(FoldKey(table));
        return it != columns.constEnd() && it->contains(FoldKey(column));
    }
};

class Planner {
public:
    Planner(const Diff& diff, Side target) : diff_(diff), target_(target) {}

    void Plan(const DiffEntry& entry) {
        if (entry.state == ObjectState::Equal)
            return;
        std::optional<Planned> source = objectOn(entry, OtherSide(target_));
        std::optional<Planned> target = objectOn(entry, target_);
        // The database's own tables are its engine's business; a sync leaves them out.
        if ((source && IsSystemKind(source->kind)) || (target && IsSystemKind(target->kind)))
            return;
        for (const std::optional<Planned>& o : {source, target}) {
            if (o && !isScriptable(o->kind)) {
                note(*o, QStringLiteral("only tables and views can be scripted."));
                return;
            }
        }
        if (source && target && source->kind == target->kind) {
            if (source->kind == ObjectKind::Table)
                alter(*source, *target);
            else
                recreateView(*source, *target);
            return;
        }
        if (target)
            drop(*target);
        if (source)
            create(*source);
    }

    SyncScript Finish() {
        for (const Planned& v : orderByReads(dropViews_, true))
            add(SyncStep::Kind::DropView, v, dropText(v));
        addObstacles(diff_.schema(target_));
        for (const Planned& t : dropTables_)
            add(SyncStep::Kind::DropTable, t, dropText(t));
        for (const auto& [t, text] : alters_)
            add(SyncStep::Kind::AlterTable, t, text);
        for (const Planned& t : createTables_)
            add(SyncStep::Kind::CreateTable, t, t.definition);
        for (const Planned& v : orderByReads(createViews_, false))
            add(SyncStep::Kind::CreateView, v, v.definition + CrLf);
        return std::move(script_);
    }

private:
    static QString dropText(const Planned& o) { return SqlDrop(o.kind, o.name) + CrLf + kGoLine; }

    void note(const Planned& o, const QString& reason) {
        script_.notes.push_back({o.kind, o.name, reason});
    }

    void add(SyncStep::Kind kind, const Planned& o, const QString& text) {
        script_.steps.push_back({kind, o.name, text});
    }

    void addObstacles(const Schema& schema) {
        Obstacles in;
        for (const Planned& t : dropTables_)
            in.tables.insert(FoldKey(t.name));
        for (const auto& [source, target] : altered_) {
            QSet<QString> sourceColumns;
            for (const Column& c : source.table->columns)
                sourceColumns.insert(FoldKey(c.name));
            for (const Column& c : target.table->columns)
                if (!sourceColumns.contains(FoldKey(c.name)))
                    in.columns[FoldKey(target.name)].insert(FoldKey(c.name));
        }
        for (const Relationship& r : schema.relationships)
            if (in.Blocks(r))
                script_.steps.push_back({SyncStep::Kind::DropRelationship, r.name,
                                         QStringLiteral("ALTER TABLE ") + SqlBracket(r.table) +
                                             CrLf + QStringLiteral(" DROP CONSTRAINT ") +
                                             SqlBracket(r.name) + CrLf + kGoLine});
        for (const Table& t : schema.tables)
            for (const Index& index : t.indexes)
                if (in.Blocks(t, index))
                    script_.steps.push_back({SyncStep::Kind::DropIndex, index.name,
                                             QStringLiteral("DROP INDEX ") +
                                                 SqlBracket(index.name) + QStringLiteral(" ON ") +
                                                 SqlBracket(t.name) + CrLf + kGoLine});
    }

    void drop(const Planned& o) {
        (o.kind == ObjectKind::View ? dropViews_ : dropTables_).push_back(o);
    }

    void create(const Planned& o) {
        if (o.kind == ObjectKind::View)
            createViews_.push_back(o);
        else if (o.definition.isEmpty())
            note(o, QStringLiteral("a table without columns cannot be created."));
        else
            createTables_.push_back(o);
    }

    void recreateView(const Planned& source, const Planned& target) {
        drop(target);
        create(source);
    }

    void alter(const Planned& source, const Planned& target) {
        QString text = AlterTableScript(source.table, target.table, target.name);
        if (text.contains(QLatin1String("ALTER TABLE"))) {
            alters_.emplace_back(target, text);
            altered_.emplace_back(source, target);
            return;
        }
        const bool onlyCase =
            source.definition.compare(target.definition, Qt::CaseInsensitive) == 0;
        note(source, onlyCase ? QStringLiteral("the names differ only in letter case, which "
                                               "ALTER TABLE cannot change.")
                              : QStringLiteral("the difference is not one that ALTER TABLE can "
                                               "make."));
    }

    const Diff& diff_;
    Side target_;
    SyncScript script_;
    std::vector<Planned> dropViews_, dropTables_, createTables_, createViews_;
    std::vector<std::pair<Planned, QString>> alters_;
    std::vector<std::pair<Planned, Planned>> altered_; // source and target tables
};

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c.isMark();
}

} // namespace

QString SyncScript::Text() const {
    QString text;
    for (const SyncStep& step : steps)
        text += step.text;
    return text;
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
                QStringLiteral("Neither database has a table or view named '%1'.").arg(objectName));
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
