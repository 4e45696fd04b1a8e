#include "engine/Compare.h"

#include "engine/DefinitionText.h"
#include "engine/SchemaOrder.h"
#include "engine/SqlText.h"

#include <QSet>

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
    QStringList names; // the object's own name and those of its tables, for exclusion
    const Table* table = nullptr;
    const View* view = nullptr;
    const Query* query = nullptr;
    const Index* index = nullptr;
    const Relationship* relationship = nullptr;
    const Table* owner = nullptr;
    bool hidden = false;
};

using Sections = std::array<std::vector<Item>, SectionCount>;

bool isSystemTable(const Table* table) {
    return table && IsSystemKind(table->kind);
}

// A side's objects, section by section in Jet's order; raises for names taken twice.
Sections itemsOf(const Schema& schema) {
    Sections items;
    const std::vector<SchemaObject> objects = ObjectsInJetOrder(schema);
    QHash<QString, const Table*> tables;
    tables.reserve(schema.tables.size());
    for (const SchemaObject& o : objects) {
        Item item;
        item.kind = o.kind;
        item.key = QStringLiteral("o:") + o.folded;
        item.name = o.name;
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
        item.names = {q->name};
        item.query = q;
        item.hidden = q->hidden;
        items[Queries].push_back(std::move(item));
    }
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
            item.names = {index->name, t.name};
            item.index = index;
            item.owner = &t;
            item.hidden = system;
            items[Indexes].push_back(std::move(item));
        }
        Item properties;
        properties.kind = ObjectKind::Properties;
        properties.key = QStringLiteral("p:") + o.folded;
        properties.name = t.name + QStringLiteral(" (properties)");
        properties.names = {t.name};
        properties.owner = &t;
        properties.hidden = system;
        if (HasLinkSource(t)) {
            Item source = properties;
            source.kind = ObjectKind::LinkSource;
            source.key = QStringLiteral("l:") + o.folded;
            source.name = t.name + QStringLiteral(" (link source)");
            items[LinkSources].push_back(std::move(source));
        }
        items[Properties].push_back(std::move(properties));
    }
    for (const Relationship* r : RelationshipsByTable(schema)) {
        Item item;
        item.kind = ObjectKind::Relationship;
        item.key = QStringLiteral("r:") + FoldKey(r->name);
        item.name = r->table + u'.' + r->name;
        item.names = {r->name, r->table, r->referencedTable};
        item.relationship = r;
        item.owner = tables.value(FoldKey(r->table));
        item.hidden =
            isSystemTable(item.owner) || isSystemTable(tables.value(FoldKey(r->referencedTable)));
        items[Relationships].push_back(std::move(item));
    }
    return items;
}

QString definitionOf(const Item& o) {
    switch (o.kind) {
    case ObjectKind::Table:
        return CreateTableText(*o.table);
    case ObjectKind::View:
        return CreateViewText(*o.view);
    case ObjectKind::Query:
        return QueryDefinition(*o.query);
    case ObjectKind::Index:
        return IndexDefinition(o.owner->name, *o.index);
    case ObjectKind::Relationship:
        return RelationshipDefinition(*o.relationship);
    case ObjectKind::Properties:
        return PropertiesDefinition(*o.owner);
    case ObjectKind::LinkSource:
        return LinkSourceDefinition(*o.owner);
    case ObjectKind::SystemTable:
    case ObjectKind::AccessTable:
    case ObjectKind::Link:
    case ObjectKind::PassThrough:
        break;
    }
    return QString();
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
        const Sections primary = itemsOf(*diff_.primary);
        const Sections secondary = itemsOf(*diff_.secondary);
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
        for (int s = 0; s < SectionCount; ++s) {
            for (const Item& o : primary[static_cast<size_t>(s)]) {
                const Item* other = secondaryByKey.value(o.key);
                if (other)
                    matched.insert(o.key);
                add(&o, other);
            }
            for (const Item& o : secondary[static_cast<size_t>(s)])
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
        e.name = uniqueName(first);
        e.state = primary ? ObjectState::OnlyPrimary : ObjectState::OnlySecondary;
        e.hidden = (!primary || primary->hidden) && (!secondary || secondary->hidden);
        if (primary)
            fill(e, *primary, Side::Primary);
        if (secondary)
            fill(e, *secondary, Side::Secondary);
        if (primary && secondary)
            compareBoth(e, *secondary);
        diff_.positions.insert(FoldKey(e.name), diff_.entries.size());
        diff_.entries.push_back(std::move(e));
    }

    // Jet's names cannot hold a dot, so derived names clash only by chance, as a table called
    // "Orders (properties)" would.
    QString uniqueName(const Item& o) const {
        QString name = o.name;
        if (!diff_.positions.contains(FoldKey(name)))
            return name;
        name += QStringLiteral(" (") + TypeName(o.kind).toLower() + u')';
        QString candidate = name;
        for (int n = 2; diff_.positions.contains(FoldKey(candidate)); ++n)
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
        (p ? e.primaryText : e.secondaryText) = definitionOf(o);
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
