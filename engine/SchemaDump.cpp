#include "engine/SchemaDump.h"

#include "engine/SchemaOrder.h"
#include "engine/SqlText.h"

#include <QHash>
#include <algorithm>
#include <vector>

namespace vantor {

namespace {

constexpr char kSetting[] = "  ";
constexpr char kNested[] = "    ";

// The text grows as UTF-8 bytes, the form it is written in, so that a large schema's text is
// never held twice: once as a QString and again as its conversion.
class Utf8Text {
public:
    Utf8Text& operator<<(const char* ascii) {
        bytes_.append(ascii);
        return *this;
    }
    Utf8Text& operator<<(char ascii) {
        bytes_.append(ascii);
        return *this;
    }
    Utf8Text& operator<<(QStringView text) {
        // Names are mostly ASCII, which is copied as it is; the rest is converted from the first
        // character beyond it.
        const qsizetype start = bytes_.size();
        bytes_.resize(start + text.size());
        char* out = bytes_.data() + start;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            if (c >= 0x80) {
                bytes_.truncate(start + i);
                bytes_.append(text.mid(i).toUtf8());
                break;
            }
            out[i] = static_cast<char>(c);
        }
        return *this;
    }
    // A value on one line whatever breaks it holds, so that every setting stays one diff line.
    void flat(QStringView value) {
        qsizetype from = 0;
        for (qsizetype i = 0; i < value.size(); ++i) {
            const QChar c = value[i];
            if (c != u'\r' && c != u'\n')
                continue;
            *this << value.mid(from, i - from) << "\\n";
            if (c == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n')
                ++i;
            from = i + 1;
        }
        *this << value.mid(from);
    }
    void bracketed(QStringView name) { *this << '[' << name << ']'; }
    bool isEmpty() const { return bytes_.isEmpty(); }
    qsizetype size() const { return bytes_.size(); }
    QByteArrayView bytes() const { return bytes_; }

private:
    QByteArray bytes_;
};

void setting(Utf8Text& out, const char* indent, const char* name, QStringView value) {
    out << indent << name << ": ";
    out.flat(value);
    out << '\n';
}

void setting(Utf8Text& out, const char* indent, const char* name, const char* ascii) {
    out << indent << name << ": " << ascii << '\n';
}

void optionalSetting(Utf8Text& out, const char* indent, const char* name,
                     const OptionalText& value) {
    if (value)
        setting(out, indent, name, *value);
}

void optionalSetting(Utf8Text& out, const char* indent, const char* name,
                     const std::optional<QString>& value) {
    if (value)
        setting(out, indent, name, *value);
}

const char* yesNo(bool value) {
    return value ? "Yes" : "No";
}

// SQL text under its object, each line indented; line ends and trailing blanks, which Access
// keeps differently from one version to the next, are made uniform.
void sqlBlock(Utf8Text& out, const QString& sql) {
    out << kSetting << "SQL:\n";
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
    for (const QString& line : lines) {
        if (!line.isEmpty())
            out << kNested << line;
        out << '\n';
    }
}

void columnLines(Utf8Text& out, const Column& c, bool withProperties) {
    out << kSetting << "COLUMN ";
    out.bracketed(c.name);
    out << ' ' << JetTypeText(c) << (c.nullable ? "" : " NOT NULL") << '\n';
    if (!withProperties)
        return;
    optionalSetting(out, kNested, "Default Value", c.defaultValue);
    if (!c.description.isEmpty())
        setting(out, kNested, "Description", c.description);
    optionalSetting(out, kNested, "Caption", c.caption);
    optionalSetting(out, kNested, "Format", c.format);
    optionalSetting(out, kNested, "Input Mask", c.inputMask);
    if (c.decimalPlaces)
        setting(out, kNested, "Decimal Places", QString::number(*c.decimalPlaces));
    optionalSetting(out, kNested, "Validation Rule", c.validationRule);
    optionalSetting(out, kNested, "Validation Text", c.validationText);
    if (c.required)
        setting(out, kNested, "Required", yesNo(true));
    if (c.allowZeroLength)
        setting(out, kNested, "Allow Zero Length", yesNo(true));
}

void indexLine(Utf8Text& out, const Index& index) {
    out << kSetting << "INDEX ";
    out.bracketed(index.name);
    out << " (";
    for (qsizetype i = 0; i < index.columns.size(); ++i) {
        const IndexColumn& c = index.columns[i];
        if (i > 0)
            out << ", ";
        out.bracketed(c.name);
        if (c.descending)
            out << " DESC";
    }
    out << ')';
    if (index.primary)
        out << " PRIMARY";
    if (index.unique)
        out << " UNIQUE";
    if (index.required)
        out << " REQUIRED";
    if (index.ignoreNulls)
        out << " IGNORE NULLS";
    out << '\n';
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

} // namespace

namespace dump_detail {

// The text of each table as it is read, and the rest once the schema is whole. The tables' texts
// are kept in one buffer in the order they come and written in the order of their names, so that
// neither a large schema nor a second copy of its text need be held.
class Dumper {
public:
    explicit Dumper(CompareSettings settings) : settings_(std::move(settings)) {}

    void table(const Table& t) {
        QString folded = FoldKey(t.name);
        // Every table counts for whether a relationship is hidden, shown or not.
        systemTables_.insert(folded, IsSystemKind(t.kind));
        const bool indexes = settings_.compares(KindGroup::Indexes);
        const bool properties = settings_.compares(KindGroup::Properties);
        const bool own = settings_.compares(GroupOf(t.kind));
        if (!(own || indexes || properties) || !shows({t.name}, IsSystemKind(t.kind)))
            return;
        Utf8Text& out = tablesText_;
        const qsizetype start = out.size();
        heading(out, TypeName(t.kind), t.name);
        if (properties) {
            if (!t.description.isEmpty())
                setting(out, kSetting, "Description", t.description);
            optionalSetting(out, kSetting, "Validation Rule", t.validationRule);
            optionalSetting(out, kSetting, "Validation Text", t.validationText);
        }
        if (settings_.compares(KindGroup::Links) &&
            (isLinkKind(t.kind) || !t.linkedDatabase.isEmpty() || !t.connect.isEmpty())) {
            if (!t.linkedDatabase.isEmpty())
                setting(out, kSetting, "Database", t.linkedDatabase);
            if (!t.connect.isEmpty())
                setting(out, kSetting, "Connect", WithoutPassword(t.connect));
            if (!t.foreignName.isEmpty())
                setting(out, kSetting, "Source Table", t.foreignName);
        }
        for (const Column& c : t.columns)
            if (own || properties)
                columnLines(out, c, properties);
        if (indexes)
            for (const Index* index : SortedByName(t.indexes))
                indexLine(out, *index);
        tables_.push_back(
            {sectionOf(t.kind), std::move(folded), t.name, start, out.size() - start});
    }

    // Takes the rest of the schema once every table was seen: tables it still holds are taken now.
    void finish(const Schema& rest) {
        for (const Table& t : rest.tables)
            table(t);
        std::stable_sort(tables_.begin(), tables_.end(),
                         [](const TableText& a, const TableText& b) {
                             if (a.section != b.section)
                                 return a.section < b.section;
                             const int c = a.folded.compare(b.folded);
                             return c != 0 ? c < 0 : a.name < b.name;
                         });
        views(rest);
        queries(rest);
        relationships(rest);
    }

    void write(const std::function<void(QByteArrayView)>& writePiece) const {
        const QByteArrayView tables = tablesText_.bytes();
        for (size_t i = 0; i < tables_.size(); ++i) {
            if (i > 0)
                writePiece("\n");
            writePiece(tables.sliced(tables_[i].start, tables_[i].size));
        }
        if (!restText_.isEmpty())
            writePiece(restText_.bytes());
    }

    QByteArray utf8() const {
        QByteArray all;
        all.reserve(tablesText_.size() + static_cast<qsizetype>(tables_.size()) + restText_.size());
        write([&all](QByteArrayView piece) { all.append(piece); });
        return all;
    }

private:
    struct TableText {
        int section = 0;
        QString folded;
        QString name;
        qsizetype start = 0; // where the text stands in tablesText_
        qsizetype size = 0;
    };

    static void heading(Utf8Text& out, const QString& kind, const QString& name) {
        out << kind << ' ';
        out.bracketed(name);
        out << '\n';
    }

    // Starts an object after the tables.
    void begin(const QString& kind, const QString& name) {
        if (!tables_.empty() || !restText_.isEmpty())
            restText_ << '\n';
        heading(restText_, kind, name);
    }

    bool shows(const QStringList& names, bool hidden) const {
        return (settings_.showHidden || !hidden) && !settings_.excludes(names);
    }

    void views(const Schema& schema) {
        if (!settings_.compares(KindGroup::Views))
            return;
        for (const View* v : SortedByName(schema.views)) {
            if (!shows({v->name}, v->hidden))
                continue;
            begin(QStringLiteral("VIEW"), v->name);
            if (v->hidden)
                setting(restText_, kSetting, "Hidden", yesNo(true));
            sqlBlock(restText_, v->definition);
        }
    }

    void queries(const Schema& schema) {
        if (!settings_.compares(KindGroup::Queries))
            return;
        for (const Query* q : SortedByName(schema.queries)) {
            if (!shows({q->name}, q->hidden))
                continue;
            begin(QStringLiteral("QUERY"), q->name);
            setting(restText_, kSetting, "Kind", QueryKindName(q->kind));
            if (q->hidden)
                setting(restText_, kSetting, "Hidden", yesNo(true));
            for (const QueryParameter& p : q->parameters)
                setting(restText_, kSetting, "Parameter",
                        SqlBracket(unbracketed(p.name)) + u' ' + p.type);
            if (!q->connect.isEmpty())
                setting(restText_, kSetting, "Connect", WithoutPassword(q->connect));
            sqlBlock(restText_, q->sql);
        }
    }

    void relationships(const Schema& schema) {
        if (!settings_.compares(KindGroup::Relationships))
            return;
        for (const Relationship* r : SortedByName(schema.relationships)) {
            const bool hidden = systemTables_.value(FoldKey(r->table)) ||
                                systemTables_.value(FoldKey(r->referencedTable));
            if (!shows({r->name, r->table, r->referencedTable}, hidden))
                continue;
            begin(QStringLiteral("RELATIONSHIP"), r->name);
            setting(restText_, kSetting, "Table", SqlBracket(r->table));
            setting(restText_, kSetting, "References", SqlBracket(r->referencedTable));
            for (const RelationshipColumn& c : r->columns)
                setting(restText_, kSetting, "Column",
                        SqlBracket(c.column) + QStringLiteral(" -> ") +
                            SqlBracket(c.referencedColumn));
            setting(restText_, kSetting, "Enforced", yesNo(r->enforced));
            setting(restText_, kSetting, "One To One", yesNo(r->oneToOne));
            setting(restText_, kSetting, "Cascade Update", yesNo(r->cascadeUpdate));
            setting(restText_, kSetting, "Cascade Delete", yesNo(r->cascadeDelete));
            setting(restText_, kSetting, "Cascade To Null", yesNo(r->cascadeToNull));
        }
    }

    const CompareSettings settings_;
    Utf8Text tablesText_;
    std::vector<TableText> tables_; // in the order of their names once finished
    QHash<QString, bool> systemTables_;
    Utf8Text restText_;
};

} // namespace dump_detail

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

QByteArray SchemaDumpUtf8(const Schema& schema, const CompareSettings& settings) {
    dump_detail::Dumper dumper(settings);
    dumper.finish(schema);
    return dumper.utf8();
}

SchemaDumpPieces::SchemaDumpPieces(Source& source, const CompareSettings& settings)
    : dumper_(std::make_unique<dump_detail::Dumper>(settings)) {
    dumper_->finish(source.schemaTableByTable([this](Table&& t) { dumper_->table(t); }));
}

SchemaDumpPieces::~SchemaDumpPieces() = default;
SchemaDumpPieces::SchemaDumpPieces(SchemaDumpPieces&&) noexcept = default;
SchemaDumpPieces& SchemaDumpPieces::operator=(SchemaDumpPieces&&) noexcept = default;

void SchemaDumpPieces::WriteTo(const std::function<void(QByteArrayView)>& write) const {
    dumper_->write(write);
}

QString SchemaDumpText(const Schema& schema, const CompareSettings& settings) {
    return QString::fromUtf8(SchemaDumpUtf8(schema, settings));
}

} // namespace vantor
