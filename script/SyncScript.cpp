#include "script/SyncScript.h"

#include "engine/clsEngine.h"
#include "model/KeyedCollection.h"
#include "model/VantorError.h"
#include "script/AlterScript.h"
#include "script/SqlText.h"

#include <QHash>
#include <functional>
#include <queue>

namespace vantor {

namespace {

const QString kTable = QStringLiteral("TABLE");
const QString kView = QStringLiteral("VIEW");
const QString kGoLine = QStringLiteral("GO\r\n");

using ObjectPtr = std::shared_ptr<clsObject>;

bool isScriptable(const ObjectPtr& o) {
    return o && (o->xType() == kTable || o->xType() == kView);
}

// The database's own tables are its engine's business; a sync leaves them out without a word.
bool isSystem(const ObjectPtr& o) {
    return o && (o->xType() == QLatin1String("SYSTEM TABLE") ||
                 o->xType() == QLatin1String("ACCESS TABLE"));
}

QString describe(const ObjectPtr& o) {
    return o->xType() + QStringLiteral(" [") + o->Obj_Name() + QLatin1Char(']');
}

// The select text of a stored CREATE VIEW batch, without its first line that names the view.
QString viewBody(const ObjectPtr& view) {
    QString text = view->Obj_Text();
    qsizetype firstBreak = text.indexOf(QLatin1Char('\n'));
    return firstBreak < 0 ? QString() : text.mid(firstBreak + 1);
}

// Orders views so that each is created after the views it reads, or, for drops, dropped before
// them; views caught in a cycle, and views without such ties, keep their original order.
std::vector<ObjectPtr> orderByReads(const std::vector<ObjectPtr>& views, bool readersFirst) {
    const size_t n = views.size();
    QHash<QString, size_t> indexOf;
    for (size_t i = 0; i < n; ++i)
        indexOf.insert(FoldKey(views[i]->Obj_Name()), i);
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
    std::vector<ObjectPtr> ordered;
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

    bool Blocks(const SchemaRelationship& r) const {
        if (tables.contains(FoldKey(r.table)) || tables.contains(FoldKey(r.referencedTable)))
            return true;
        for (const SchemaRelationshipColumn& c : r.columns)
            if (dropsColumn(r.table, c.column) ||
                dropsColumn(r.referencedTable, c.referencedColumn))
                return true;
        return false;
    }
    bool Blocks(const SchemaTable& table, const SchemaIndex& index) const {
        if (tables.contains(FoldKey(table.name)))
            return false; // its indexes go with it
        for (const SchemaIndexColumn& c : index.columns)
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
    Planner(const clsEngine& engine, int targetSide) : engine_(engine), target_(targetSide) {}

    void Plan(const ObjectPtr& combined) {
        if (!combined || combined->Status() == 0)
            return;
        const QString key = combined->Obj_Key();
        ObjectPtr pri = combined->Status() == 3 ? nullptr : engine_.TablesPri->Item(key);
        ObjectPtr sec = combined->Status() == 2 ? nullptr : engine_.TablesSec->Item(key);
        ObjectPtr source = target_ == 0 ? sec : pri;
        ObjectPtr target = target_ == 0 ? pri : sec;
        if (isSystem(source) || isSystem(target))
            return;
        for (const ObjectPtr& o : {source, target}) {
            if (o && !isScriptable(o)) {
                script_.notes << describe(o) +
                                     QStringLiteral(": only tables and views can be scripted.");
                return;
            }
        }
        if (source && target && source->xType() == target->xType()) {
            if (source->xType() == kTable)
                alter(source, target);
            else
                recreateView(source, target);
            return;
        }
        if (target)
            drop(target);
        if (source)
            create(source);
    }

    SyncScript Finish(const DbSchema* targetSchema) {
        for (const ObjectPtr& v : orderByReads(dropViews_, true))
            add(SyncStep::Kind::DropView, v, dropText(v));
        if (targetSchema)
            addObstacles(*targetSchema);
        for (const ObjectPtr& t : dropTables_)
            add(SyncStep::Kind::DropTable, t, dropText(t));
        for (const auto& [t, text] : alters_)
            add(SyncStep::Kind::AlterTable, t, text);
        for (const ObjectPtr& t : createTables_)
            add(SyncStep::Kind::CreateTable, t, t->SqlCreate());
        for (const ObjectPtr& v : orderByReads(createViews_, false))
            add(SyncStep::Kind::CreateView, v, v->Obj_Text() + CrLf);
        return std::move(script_);
    }

private:
    static QString dropText(const ObjectPtr& o) {
        return SqlDrop(o->xType(), o->Obj_Name()) + CrLf + kGoLine;
    }

    void add(SyncStep::Kind kind, const ObjectPtr& o, const QString& text) {
        script_.steps.push_back({kind, o->Obj_Name(), text});
    }

    void addObstacles(const DbSchema& schema) {
        Obstacles in;
        for (const ObjectPtr& t : dropTables_)
            in.tables.insert(FoldKey(t->Obj_Name()));
        for (const auto& [source, target] : altered_)
            for (const auto& column : *target->Fields())
                if (column && !source->Fields()->Item(column->FieldName()))
                    in.columns[FoldKey(target->Obj_Name())].insert(FoldKey(column->FieldName()));
        for (const SchemaRelationship& r : schema.relationships)
            if (in.Blocks(r))
                script_.steps.push_back({SyncStep::Kind::DropRelationship, r.name,
                                         QStringLiteral("ALTER TABLE ") + SqlBracket(r.table) +
                                             CrLf + QStringLiteral(" DROP CONSTRAINT ") +
                                             SqlBracket(r.name) + CrLf + kGoLine});
        for (const SchemaTable& t : schema.tables)
            for (const SchemaIndex& index : t.indexes)
                if (in.Blocks(t, index))
                    script_.steps.push_back({SyncStep::Kind::DropIndex, index.name,
                                             QStringLiteral("DROP INDEX ") +
                                                 SqlBracket(index.name) + QStringLiteral(" ON ") +
                                                 SqlBracket(t.name) + CrLf + kGoLine});
    }

    void drop(const ObjectPtr& o) { (o->xType() == kView ? dropViews_ : dropTables_).push_back(o); }

    void create(const ObjectPtr& o) {
        if (o->xType() == kView) {
            if (o->Obj_Text().isEmpty())
                script_.notes << describe(o) + QStringLiteral(": its definition is unknown.");
            else
                createViews_.push_back(o);
        } else if (o->SqlCreate().isEmpty()) {
            script_.notes << describe(o) +
                                 QStringLiteral(": a table without columns cannot be created.");
        } else {
            createTables_.push_back(o);
        }
    }

    void recreateView(const ObjectPtr& source, const ObjectPtr& target) {
        drop(target);
        create(source);
    }

    void alter(const ObjectPtr& source, const ObjectPtr& target) {
        QString text = AlterTableScript(source.get(), target.get(), target->Obj_Name());
        if (text.contains(QLatin1String("ALTER TABLE"))) {
            alters_.emplace_back(target, text);
            altered_.emplace_back(source, target);
            return;
        }
        const bool onlyCase =
            source->SqlCreate().compare(target->SqlCreate(), Qt::CaseInsensitive) == 0;
        script_.notes << describe(source) +
                             (onlyCase ? QStringLiteral(": the names differ only in letter case, "
                                                        "which ALTER TABLE cannot change.")
                                       : QStringLiteral(": the difference is not one that ALTER "
                                                        "TABLE can make."));
    }

    const clsEngine& engine_;
    int target_;
    SyncScript script_;
    std::vector<ObjectPtr> dropViews_, dropTables_, createTables_, createViews_;
    std::vector<std::pair<ObjectPtr, QString>> alters_;
    std::vector<std::pair<ObjectPtr, ObjectPtr>> altered_; // source and target tables
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

SyncScript BuildSyncScript(const clsEngine& engine, int targetSide, const QString& objectName,
                           const DbSchema* targetSchema) {
    Planner planner(engine, targetSide);
    if (!objectName.isEmpty()) {
        ObjectPtr object = engine.Tables->Item(QLatin1Char(':') + objectName);
        if (!object)
            throw VantorError(
                err::ItemNotFound,
                QStringLiteral("Neither database has a table or view named '%1'.").arg(objectName));
        planner.Plan(object);
    } else {
        for (const ObjectPtr& object : *engine.Tables)
            planner.Plan(object);
    }
    return planner.Finish(targetSchema);
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
