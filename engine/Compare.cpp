#include "engine/Compare.h"

#include "engine/DefinitionText.h"
#include "engine/SchemaOrder.h"
#include "engine/SqlText.h"

#include <QSet>
#include <exception>
#include <optional>
#include <system_error>
#include <thread>

namespace vantor {

namespace {

// The diff's kinds in the order it lists them; tables and views share the first place, as they
// share their names with queries.
enum Section { Objects, Queries, Indexes, Relationships, Properties, LinkSources, SectionCount };

// One object of one side as the comparison walks it.
struct Item {
    ObjectKind kind = ObjectKind::Table;
    QString key;       // the same for the object's namesake on the other side
    QString name;      // as the diff shows it
    QString folded;    // FoldKey(name), where the side's order already made it
    QStringList names; // the object's own name and those of its tables, when names are excluded
    const Table* table = nullptr;
    const View* view = nullptr;
    const Query* query = nullptr;
    const Index* index = nullptr;
    const Relationship* relationship = nullptr;
    const Table* owner = nullptr;
    const Table* referenced = nullptr; // a relationship's referenced table, where the side has it
    bool hidden = false;
    // The definition as the side spells it, where it was made ahead (see makeTexts).
    std::optional<QString> text;
};

using Sections = std::array<std::vector<Item>, SectionCount>;

bool isSystemTable(const Table* table) {
    return table && IsSystemKind(table->kind);
}

// A side's objects, section by section in Jet's order; raises for names taken twice.
Sections itemsOf(const Schema& schema, bool withNames) {
    Sections items;
    QHash<QString, const Table*> tables;
    const std::vector<SchemaObject> objects = ObjectsInJetOrder(schema);
    tables.reserve(schema.tables.size());
    items[Objects].reserve(objects.size());
    for (const SchemaObject& o : objects) {
        Item item;
        item.kind = o.kind;
        item.key = QStringLiteral("o:") + o.folded;
        item.name = o.name;
        item.folded = o.folded;
        if (withNames)
            item.names = {o.name};
        item.table = o.table;
        item.view = o.view;
        item.hidden = o.table ? IsSystemKind(o.kind) : o.view->hidden;
        if (o.table)
            tables.insert(o.folded, o.table);
        items[Objects].push_back(std::move(item));
    }
    for (const Query* q : QueriesByName(schema)) {
        Item item;
        item.kind = ObjectKind::Query;
        item.key = QStringLiteral("o:") + FoldKey(q->name);
        // Jet keeps tables, views and queries in one list of names.
        if (tables.contains(item.key.mid(2)) || schema.findView(q->name))
            throw DuplicateNameError();
        item.name = q->name;
        item.folded = item.key.mid(2);
        if (withNames)
            item.names = {q->name};
        item.query = q;
        item.hidden = q->hidden;
        items[Queries].push_back(std::move(item));
    }
    items[Indexes].reserve(static_cast<size_t>(schema.tables.size()) * 3);
    for (const SchemaObject& o : objects) {
        if (!o.table)
            continue;
        const Table& t = *o.table;
        const bool system = IsSystemKind(t.kind);
        for (const Index* index : IndexesByName(t)) {
            Item item;
            item.kind = ObjectKind::Index;
            // Names hold no dot, so the joined key cannot be another table's.
            item.key = QStringLiteral("i:") + o.folded + u'.' + FoldKey(index->name);
            item.name = t.name + u'.' + index->name;
            if (withNames)
                item.names = {index->name, t.name};
            item.index = index;
            item.owner = &t;
            item.hidden = system;
            items[Indexes].push_back(std::move(item));
        }
        for (ObjectKind kind : {ObjectKind::Properties, ObjectKind::LinkSource}) {
            const bool properties = kind == ObjectKind::Properties;
            // Every table has its properties, set or not, so that a side without any still
            // faces the other; the entry is left out when neither side sets one.
            if (!properties && !HasLinkSource(t))
                continue;
            Item item;
            item.kind = kind;
            item.key = (properties ? QStringLiteral("p:") : QStringLiteral("l:")) + o.folded;
            item.name = t.name + (properties ? QStringLiteral(" (properties)")
                                             : QStringLiteral(" (link source)"));
            if (withNames)
                item.names = {t.name};
            item.owner = &t;
            item.hidden = system;
            items[properties ? Properties : LinkSources].push_back(std::move(item));
        }
    }
    for (const Relationship* r : RelationshipsByTable(schema)) {
        Item item;
        item.kind = ObjectKind::Relationship;
        item.key = QStringLiteral("r:") + FoldKey(r->name);
        item.name = r->table + u'.' + r->name;
        if (withNames)
            item.names = {r->name, r->table, r->referencedTable};
        item.relationship = r;
        item.owner = tables.value(FoldKey(r->table));
        item.referenced = tables.value(FoldKey(r->referencedTable));
        item.hidden = isSystemTable(item.owner) || isSystemTable(item.referenced);
        items[Relationships].push_back(std::move(item));
    }
    return items;
}

// How the primary side spells the tables and fields that a part of a table on the secondary side
// names, where they differ only in letter case: that difference is the table's to report.
class Spelling {
public:
    Spelling() = default;
    explicit Spelling(const Item& primary) : tables_{primary.owner, primary.referenced} {}

    bool none() const { return !tables_[0] && !tables_[1]; }
    QString table(const QString& name) const {
        const Table* t = find(name);
        return t ? t->name : name;
    }
    QString field(const QString& table, const QString& name) const {
        if (const Table* t = find(table))
            for (const Column& c : t->columns)
                if (FoldKey(c.name) == FoldKey(name))
                    return c.name;
        return name;
    }

private:
    const Table* find(const QString& name) const {
        for (const Table* t : tables_)
            if (t && FoldKey(t->name) == FoldKey(name))
                return t;
        return nullptr;
    }

    std::array<const Table*, 2> tables_{};
};

QString definitionOf(const Item& o, const Spelling& spelling = {}) {
    switch (o.kind) {
    case ObjectKind::Table:
        return CreateTableText(*o.table);
    case ObjectKind::View:
        return CreateViewText(*o.view);
    case ObjectKind::Query:
        return QueryDefinition(*o.query);
    case ObjectKind::Index: {
        // Without another side to follow, the index is its own spelling; a copy of it would cost
        // one for every index of a large schema.
        if (spelling.none())
            return IndexDefinition(o.owner->name, *o.index);
        Index index = *o.index;
        for (IndexColumn& c : index.columns)
            c.name = spelling.field(o.owner->name, c.name);
        return IndexDefinition(spelling.table(o.owner->name), index);
    }
    case ObjectKind::Relationship: {
        if (spelling.none())
            return RelationshipDefinition(*o.relationship);
        Relationship r = *o.relationship;
        for (RelationshipColumn& c : r.columns) {
            c.column = spelling.field(r.table, c.column);
            c.referencedColumn = spelling.field(r.referencedTable, c.referencedColumn);
        }
        r.table = spelling.table(r.table);
        r.referencedTable = spelling.table(r.referencedTable);
        return RelationshipDefinition(r);
    }
    case ObjectKind::Properties:
    case ObjectKind::LinkSource: {
        Table t = *o.owner;
        for (Column& c : t.columns)
            c.name = spelling.field(o.owner->name, c.name);
        t.name = spelling.table(t.name);
        return o.kind == ObjectKind::Properties ? PropertiesDefinition(t) : LinkSourceDefinition(t);
    }
    case ObjectKind::SystemTable:
    case ObjectKind::AccessTable:
    case ObjectKind::Link:
    case ObjectKind::PassThrough:
        break;
    }
    return QString();
}

// The texts nearly every entry shows, made for all of a side's objects in one go; the rest are
// made when an entry needs them.
void makeTexts(Sections& sections) {
    for (std::vector<Item>& section : sections)
        for (Item& o : section)
            switch (o.kind) {
            case ObjectKind::Table:
            case ObjectKind::View:
            case ObjectKind::Query:
            case ObjectKind::Index:
            case ObjectKind::Relationship:
                o.text = definitionOf(o);
                break;
            default:
                break;
            }
}

bool comparesByText(ObjectKind kind) {
    return !IsTableKind(kind) || kind == ObjectKind::Table;
}

bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}

// The text with its blanks and line breaks gone but for one blank between two words; quoted
// strings and bracketed names keep theirs.
QString withoutBlankRuns(const QString& text) {
    QString out;
    out.reserve(text.size());
    QChar closing;
    bool blank = false;
    for (QChar c : text) {
        if (!closing.isNull()) {
            out += c;
            if (c == closing)
                closing = QChar();
            continue;
        }
        if (c.isSpace()) {
            blank = true;
            continue;
        }
        if (blank && !out.isEmpty() && isNameChar(out.back()) && isNameChar(c))
            out += u' ';
        blank = false;
        out += c;
        if (c == u'[')
            closing = u']';
        else if (c == u'"' || c == u'\'' || c == u'`')
            closing = c;
    }
    return out;
}

bool sameText(const QString& a, const QString& b, ObjectKind kind,
              const CompareSettings& settings) {
    if (a == b)
        return true;
    const bool blanks =
        settings.ignoreWhitespace && (kind == ObjectKind::View || kind == ObjectKind::Query);
    if (!blanks && !settings.ignoreCase)
        return false; // exact on purpose: a change of letter case or spacing is a change
    const QString x = blanks ? withoutBlankRuns(a) : a;
    const QString y = blanks ? withoutBlankRuns(b) : b;
    return settings.ignoreCase ? FoldKey(x) == FoldKey(y) : x == y;
}

class Builder {
public:
    Builder(Diff& diff, const CompareOptions& options) : diff_(diff), options_(options) {}

    void Build() {
        const bool withNames = !options_.exclude.isEmpty();
        // The two sides' objects and texts are made at once, the second side on a thread of its
        // own; the first side's fault is the one raised when both have one, as before.
        Sections primary;
        Sections secondary;
        std::exception_ptr secondaryFailure;
        auto makeSecondary = [&] {
            try {
                secondary = itemsOf(*diff_.secondary, withNames);
                makeTexts(secondary);
            } catch (...) {
                secondaryFailure = std::current_exception();
            }
        };
        std::thread other;
        try {
            other = std::thread(makeSecondary);
        } catch (const std::system_error&) {
            makeSecondary();
        }
        struct Joined {
            std::thread& thread;
            ~Joined() {
                if (thread.joinable())
                    thread.join();
            }
        } joined{other};
        primary = itemsOf(*diff_.primary, withNames);
        makeTexts(primary);
        if (other.joinable())
            other.join();
        if (secondaryFailure)
            std::rethrow_exception(secondaryFailure);
        QHash<QString, const Item*> secondaryByKey;
        size_t total = 0;
        for (const std::vector<Item>& section : secondary)
            total += section.size();
        secondaryByKey.reserve(static_cast<qsizetype>(total));
        for (const std::vector<Item>& section : secondary)
            for (const Item& o : section)
                secondaryByKey.insert(o.key, &o);
        QSet<QString> matched;
        matched.reserve(static_cast<qsizetype>(total));
        diff_.entries.reserve(total);
        diff_.positions.reserve(static_cast<qsizetype>(total));
        for (size_t s = 0; s < SectionCount; ++s) {
            for (const Item& o : primary[s]) {
                const Item* other = secondaryByKey.value(o.key);
                if (other)
                    matched.insert(o.key);
                add(&o, other);
            }
            for (const Item& o : secondary[s])
                if (!matched.contains(o.key))
                    add(nullptr, &o);
        }
    }

private:
    bool wanted(const Item* a, const Item* b) const {
        const CompareSettings& s = options_;
        bool inGroup = false;
        bool shown = false;
        QStringList names;
        for (const Item* o : {a, b}) {
            if (!o)
                continue;
            inGroup = inGroup || s.compares(GroupOf(o->kind));
            shown = shown || !o->hidden || (o->table && IsSystemKind(o->kind));
            names += o->names;
        }
        return inGroup && (shown || s.showHidden) && !s.excludes(names);
    }

    void add(const Item* primary, const Item* secondary) {
        const Item& first = primary ? *primary : *secondary;
        if (first.kind == ObjectKind::Properties && !HasProperties(*first.owner) &&
            !(secondary && HasProperties(*secondary->owner)))
            return; // nothing set on either side: nothing to show
        if (!wanted(primary, secondary))
            return;
        if (options_.onObject)
            options_.onObject(first.name);
        DiffEntry e;
        e.kind = first.kind;
        QString folded;
        e.name = uniqueName(first, folded);
        e.state = primary ? ObjectState::OnlyPrimary : ObjectState::OnlySecondary;
        e.hidden = (!primary || primary->hidden) && (!secondary || secondary->hidden);
        if (primary)
            fill(e, *primary, Side::Primary);
        if (secondary)
            fill(e, *secondary, Side::Secondary);
        // A part of a table names it and its fields; their letter case is the table's business.
        if (primary && secondary && e.primaryText != e.secondaryText &&
            (primary->owner || primary->relationship))
            e.secondaryText = definitionOf(*secondary, Spelling(*primary));
        if (primary && secondary)
            compareBoth(e, *secondary);
        // A view or query hidden on one side only is a difference the dump shows, though its
        // statement is the same.
        if (primary && secondary && e.state == ObjectState::Equal &&
            (primary->view || primary->query) && primary->hidden != secondary->hidden)
            e.state = ObjectState::Different;
        diff_.positions.insert(folded, diff_.entries.size());
        diff_.entries.push_back(std::move(e));
    }

    // Jet's names cannot hold a dot, so derived names clash only by chance, as a table called
    // "Orders (properties)" would.
    // The name the entry gets, and folded, its key in the diff's positions.
    QString uniqueName(const Item& o, QString& folded) const {
        folded = o.folded.isEmpty() ? FoldKey(o.name) : o.folded;
        if (!diff_.positions.contains(folded))
            return o.name;
        const QString name = o.name + QStringLiteral(" (") + TypeName(o.kind).toLower() + u')';
        QString candidate = name;
        for (int n = 2; diff_.positions.contains(folded = FoldKey(candidate)); ++n)
            candidate = name + QStringLiteral(" %1").arg(n);
        return candidate;
    }

    static void fill(DiffEntry& e, const Item& o, Side side) {
        const bool p = side == Side::Primary;
        (p ? e.primaryTable : e.secondaryTable) = o.table;
        (p ? e.primaryView : e.secondaryView) = o.view;
        (p ? e.primaryQuery : e.secondaryQuery) = o.query;
        (p ? e.primaryIndex : e.secondaryIndex) = o.index;
        (p ? e.primaryRelationship : e.secondaryRelationship) = o.relationship;
        (p ? e.primaryOwner : e.secondaryOwner) = o.owner;
        (p ? e.primaryText : e.secondaryText) = o.text ? *o.text : definitionOf(o);
    }

    void compareBoth(DiffEntry& e, const Item& secondary) const {
        if (e.kind != secondary.kind)
            e.state = ObjectState::Different;
        else if (!comparesByText(e.kind))
            e.state = ObjectState::Equal;
        else
            e.state = sameText(e.primaryText, e.secondaryText, e.kind, options_)
                          ? ObjectState::Equal
                          : ObjectState::Different;
        if (e.state == ObjectState::Different && !e.primaryText.isEmpty() &&
            !e.secondaryText.isEmpty()) {
            TextMarks marks = MarkDifferingText(e.primaryText, e.secondaryText);
            e.primaryRuns = std::move(marks.first);
            e.secondaryRuns = std::move(marks.second);
        }
    }

    Diff& diff_;
    const CompareOptions& options_;
};

} // namespace

std::optional<ObjectKind> DiffEntry::kindOn(Side side) const {
    if (table(side))
        return table(side)->kind;
    if (view(side))
        return ObjectKind::View;
    if (query(side))
        return ObjectKind::Query;
    if (index(side) || relationship(side) || owner(side))
        return kind; // parts of tables keep their kind on both sides
    return std::nullopt;
}

const DiffEntry* Diff::find(const QString& name) const {
    auto it = positions.constFind(FoldKey(name));
    return it == positions.constEnd() ? nullptr : &entries[*it];
}

bool Diff::allEqual() const {
    return std::all_of(entries.begin(), entries.end(),
                       [](const DiffEntry& e) { return e.state == ObjectState::Equal; });
}

std::array<int, 4> Diff::countsByState(bool withSystem) const {
    std::array<int, 4> counts{};
    for (const DiffEntry& e : entries)
        if (withSystem || !e.hidden)
            ++counts[static_cast<size_t>(e.state)];
    return counts;
}

Diff Compare(std::shared_ptr<const Schema> primary, std::shared_ptr<const Schema> secondary,
             const CompareOptions& options) {
    Diff diff;
    diff.primary = std::move(primary);
    diff.secondary = std::move(secondary);
    diff.settings = options;
    Builder(diff, options).Build();
    return diff;
}

} // namespace vantor
