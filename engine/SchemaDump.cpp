#include "engine/SchemaDump.h"

#include "engine/SchemaOrder.h"
#include "engine/SqlText.h"

#include <QHash>
#include <algorithm>
#include <vector>

namespace vantor {

namespace {

const QString kSetting = QStringLiteral("  ");
const QString kNested = QStringLiteral("    ");

// A value on one line whatever breaks it holds, so that every setting stays one diff line.
QString flat(const QString& value) {
    QString text = value;
    text.replace(QLatin1String("\r\n"), QLatin1String("\\n"));
    text.replace(u'\n', QLatin1String("\\n")).replace(u'\r', QLatin1String("\\n"));
    return text;
}

void setting(QString& out, const QString& indent, const QString& name, const QString& value) {
    out += indent + name + QStringLiteral(": ") + flat(value) + u'\n';
}

void optionalSetting(QString& out, const QString& indent, const QString& name,
                     const std::optional<QString>& value) {
    if (value)
        setting(out, indent, name, *value);
}

QString yesNo(bool value) {
    return value ? QStringLiteral("Yes") : QStringLiteral("No");
}

// SQL text under its object, each line indented; line ends and trailing blanks, which Access
// keeps differently from one version to the next, are made uniform.
void sqlBlock(QString& out, const QString& sql) {
    out += kSetting + QStringLiteral("SQL:\n");
    QStringList lines = QString(sql)
                            .replace(QLatin1String("\r\n"), QLatin1String("\n"))
                            .replace(u'\r', u'\n')
                            .split(u'\n');
    for (QString& line : lines)
        while (!line.isEmpty() && line.back().isSpace())
            line.chop(1);
    while (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    while (!lines.isEmpty() && lines.front().isEmpty())
        lines.removeFirst();
    for (const QString& line : lines)
        out += line.isEmpty() ? QStringLiteral("\n") : kNested + line + u'\n';
}

void columnLines(QString& out, const Column& c, bool withProperties) {
    out += kSetting + QStringLiteral("COLUMN ") + SqlBracket(c.name) + u' ' + JetTypeText(c) +
           (c.nullable ? QString() : QStringLiteral(" NOT NULL")) + u'\n';
    if (!withProperties)
        return;
    optionalSetting(out, kNested, QStringLiteral("Default Value"), c.defaultValue);
    if (!c.description.isEmpty())
        setting(out, kNested, QStringLiteral("Description"), c.description);
    optionalSetting(out, kNested, QStringLiteral("Caption"), c.caption);
    optionalSetting(out, kNested, QStringLiteral("Format"), c.format);
    optionalSetting(out, kNested, QStringLiteral("Input Mask"), c.inputMask);
    if (c.decimalPlaces)
        setting(out, kNested, QStringLiteral("Decimal Places"), QString::number(*c.decimalPlaces));
    optionalSetting(out, kNested, QStringLiteral("Validation Rule"), c.validationRule);
    optionalSetting(out, kNested, QStringLiteral("Validation Text"), c.validationText);
    if (c.required)
        setting(out, kNested, QStringLiteral("Required"), yesNo(true));
    if (c.allowZeroLength)
        setting(out, kNested, QStringLiteral("Allow Zero Length"), yesNo(true));
}

QString indexLine(const Index& index) {
    QStringList columns;
    for (const IndexColumn& c : index.columns)
        columns << SqlBracket(c.name) + (c.descending ? QStringLiteral(" DESC") : QString());
    QString line = kSetting + QStringLiteral("INDEX ") + SqlBracket(index.name) +
                   QStringLiteral(" (") + columns.join(QStringLiteral(", ")) + u')';
    if (index.primary)
        line += QStringLiteral(" PRIMARY");
    if (index.unique)
        line += QStringLiteral(" UNIQUE");
    if (index.required)
        line += QStringLiteral(" REQUIRED");
    if (index.ignoreNulls)
        line += QStringLiteral(" IGNORE NULLS");
    return line + u'\n';
}

// A parameter's name as the PARAMETERS clause may spell it, in brackets or not, without them.
QString unbracketed(const QString& name) {
    return name.size() >= 2 && name.startsWith(u'[') && name.endsWith(u']')
               ? name.mid(1, name.size() - 2)
               : name;
}

bool isLinkKind(ObjectKind kind) {
    return kind == ObjectKind::Link || kind == ObjectKind::PassThrough;
}

// Where the tables of each kind stand in the text: user tables first, the database's own last.
int sectionOf(ObjectKind kind) {
    switch (kind) {
    case ObjectKind::Table:
        return 0;
    case ObjectKind::Link:
        return 1;
    case ObjectKind::PassThrough:
        return 2;
    case ObjectKind::SystemTable:
        return 3;
    default:
        return 4;
    }
}

class Dumper {
public:
    Dumper(const Schema& schema, const CompareSettings& settings)
        : schema_(schema), settings_(settings) {}

    QString text() {
        tables();
        views();
        queries();
        relationships();
        return out_;
    }

private:
    void begin(const QString& kind, const QString& name) {
        if (!out_.isEmpty())
            out_ += u'\n';
        out_ += kind + u' ' + SqlBracket(name) + u'\n';
    }

    bool shows(const QStringList& names, bool hidden) const {
        return (settings_.showHidden || !hidden) && !settings_.excludes(names);
    }

    void tables() {
        std::vector<const Table*> list = SortedByName(schema_.tables);
        std::stable_sort(list.begin(), list.end(), [](const Table* a, const Table* b) {
            return sectionOf(a->kind) < sectionOf(b->kind);
        });
        const bool indexes = settings_.compares(KindGroup::Indexes);
        const bool properties = settings_.compares(KindGroup::Properties);
        for (const Table* t : list) {
            const bool own = settings_.compares(GroupOf(t->kind));
            if (!(own || indexes || properties) || !shows({t->name}, IsSystemKind(t->kind)))
                continue;
            begin(TypeName(t->kind), t->name);
            if (properties) {
                if (!t->description.isEmpty())
                    setting(out_, kSetting, QStringLiteral("Description"), t->description);
                optionalSetting(out_, kSetting, QStringLiteral("Validation Rule"),
                                t->validationRule);
                optionalSetting(out_, kSetting, QStringLiteral("Validation Text"),
                                t->validationText);
            }
            if (settings_.compares(KindGroup::Links) &&
                (isLinkKind(t->kind) || !t->linkedDatabase.isEmpty() || !t->connect.isEmpty())) {
                if (!t->linkedDatabase.isEmpty())
                    setting(out_, kSetting, QStringLiteral("Database"), t->linkedDatabase);
                if (!t->connect.isEmpty())
                    setting(out_, kSetting, QStringLiteral("Connect"), WithoutPassword(t->connect));
                if (!t->foreignName.isEmpty())
                    setting(out_, kSetting, QStringLiteral("Source Table"), t->foreignName);
            }
            for (const Column& c : t->columns)
                if (own || properties)
                    columnLines(out_, c, properties);
            if (indexes)
                for (const Index* index : SortedByName(t->indexes))
                    out_ += indexLine(*index);
        }
    }

    void views() {
        if (!settings_.compares(KindGroup::Views))
            return;
        for (const View* v : SortedByName(schema_.views)) {
            if (!shows({v->name}, v->hidden))
                continue;
            begin(QStringLiteral("VIEW"), v->name);
            if (v->hidden)
                setting(out_, kSetting, QStringLiteral("Hidden"), yesNo(true));
            sqlBlock(out_, v->definition);
        }
    }

    void queries() {
        if (!settings_.compares(KindGroup::Queries))
            return;
        for (const Query* q : SortedByName(schema_.queries)) {
            if (!shows({q->name}, q->hidden))
                continue;
            begin(QStringLiteral("QUERY"), q->name);
            setting(out_, kSetting, QStringLiteral("Kind"), QueryKindName(q->kind));
            if (q->hidden)
                setting(out_, kSetting, QStringLiteral("Hidden"), yesNo(true));
            for (const QueryParameter& p : q->parameters)
                setting(out_, kSetting, QStringLiteral("Parameter"),
                        SqlBracket(unbracketed(p.name)) + u' ' + p.type);
            if (!q->connect.isEmpty())
                setting(out_, kSetting, QStringLiteral("Connect"), WithoutPassword(q->connect));
            sqlBlock(out_, q->sql);
        }
    }

    void relationships() {
        if (!settings_.compares(KindGroup::Relationships))
            return;
        QHash<QString, bool> systemTables;
        for (const Table& t : schema_.tables)
            systemTables.insert(FoldKey(t.name), IsSystemKind(t.kind));
        for (const Relationship* r : SortedByName(schema_.relationships)) {
            const bool hidden = systemTables.value(FoldKey(r->table)) ||
                                systemTables.value(FoldKey(r->referencedTable));
            if (!shows({r->name, r->table, r->referencedTable}, hidden))
                continue;
            begin(QStringLiteral("RELATIONSHIP"), r->name);
            setting(out_, kSetting, QStringLiteral("Table"), SqlBracket(r->table));
            setting(out_, kSetting, QStringLiteral("References"), SqlBracket(r->referencedTable));
            for (const RelationshipColumn& c : r->columns)
                setting(out_, kSetting, QStringLiteral("Column"),
                        SqlBracket(c.column) + QStringLiteral(" -> ") +
                            SqlBracket(c.referencedColumn));
            setting(out_, kSetting, QStringLiteral("Enforced"), yesNo(r->enforced));
            setting(out_, kSetting, QStringLiteral("One To One"), yesNo(r->oneToOne));
            setting(out_, kSetting, QStringLiteral("Cascade Update"), yesNo(r->cascadeUpdate));
            setting(out_, kSetting, QStringLiteral("Cascade Delete"), yesNo(r->cascadeDelete));
            setting(out_, kSetting, QStringLiteral("Cascade To Null"), yesNo(r->cascadeToNull));
        }
    }

    const Schema& schema_;
    const CompareSettings& settings_;
    QString out_;
};

} // namespace

QString JetTypeText(const Column& c) {
    const qint32 length = c.maxLength.value_or(0);
    switch (c.dataType) {
    case 11:
        return QStringLiteral("YESNO");
    case 17:
        return QStringLiteral("BYTE");
    case 2:
        return QStringLiteral("SHORT");
    case 3:
        return c.autoNumber ? QStringLiteral("COUNTER") : QStringLiteral("LONG");
    case 20:
        return QStringLiteral("BIGINT");
    case 4:
        return QStringLiteral("SINGLE");
    case 5:
        return QStringLiteral("DOUBLE");
    case 6:
        return QStringLiteral("CURRENCY");
    case 7:
        return QStringLiteral("DATETIME");
    case 135:
        return QStringLiteral("TIMESTAMP");
    case 72:
        // A Replication ID: Access's AutoNumber of GUIDs, made by a GenGUID() default.
        return c.autoNumber ? QStringLiteral("GUID AUTONUMBER") : QStringLiteral("GUID");
    case 130:
        return length > 0 ? QStringLiteral("TEXT(%1)").arg(length) : QStringLiteral("MEMO");
    case 128:
        return length > 0 ? QStringLiteral("BINARY(%1)").arg(length) : QStringLiteral("LONGBINARY");
    case 131:
        return QStringLiteral("DECIMAL(%1,%2)")
            .arg(c.precision.value_or(18))
            .arg(c.scale.value_or(0));
    case 13: {
        // Attachment and multi-value columns, which Jet DDL cannot create.
        if (!c.valueType)
            return QStringLiteral("COMPLEX");
        Column value;
        value.dataType = *c.valueType;
        value.maxLength = c.valueMaxLength;
        return JetTypeText(value) + QStringLiteral(" MULTIVALUE");
    }
    default:
        return QStringLiteral("TYPE(%1)").arg(c.dataType);
    }
}

QString SchemaDumpText(const Schema& schema, const CompareSettings& settings) {
    return Dumper(schema, settings).text();
}

} // namespace vantor
