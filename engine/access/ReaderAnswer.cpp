#include "engine/access/ReaderAnswer.h"

#include "model/Error.h"
#include "model/Kinds.h"

#include <QSet>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <unistd.h>
#include <unordered_map>

namespace vantor {

namespace {

constexpr char kMark[] = "vantor-reader-answer-2\n";
constexpr qsizetype kMarkSize = sizeof kMark - 1;
constexpr quint32 kNoText = 0xFFFFFFFF;
constexpr qsizetype kFlushAt = qsizetype(64) * 1024;
constexpr qint32 kComplexType = 13; // adComplex: multi-value and attachment columns
// Far more than one object of a schema can hold (255 columns with every property at its longest
// come to a few MiB), so that an answer claiming a larger one is refused rather than held in
// memory while it waits for the rest.
constexpr qsizetype kLargestObject = qsizetype(16) << 20;
// Each object starts with its tag and the length of what follows, so that the parent decodes only
// whole objects and knows at once how much more one needs.
constexpr qsizetype kObjectHead = 5;

enum Tag : quint8 {
    TableTag = 'T',
    ViewTag = 'V',
    QueryTag = 'Q',
    RelationshipTag = 'R',
    EndTag = 'E'
};

enum ColumnFlag : quint8 { Nullable = 1, AutoNumber = 2, AllowZeroLength = 4, Required = 8 };
enum IndexFlag : quint8 { Primary = 1, Unique = 2, IgnoreNulls = 4, IndexRequired = 8 };
enum RelationshipFlag : quint8 {
    Enforced = 1,
    CascadeUpdate = 2,
    CascadeDelete = 4,
    OneToOne = 8,
    CascadeToNull = 16
};

bool isObjectTag(quint8 tag) {
    switch (static_cast<Tag>(tag)) {
    case TableTag:
    case ViewTag:
    case QueryTag:
    case RelationshipTag:
    case EndTag:
        return true;
    }
    return false;
}

// The length of the values of the object whose head starts at head.
quint32 objectLength(const char* head) {
    quint32 length = 0;
    std::memcpy(&length, head + 1, 4);
    return length;
}

constexpr quint8 flagIf(bool on, quint8 flag) {
    return on ? flag : 0;
}

bool writeAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = write(fd, data, static_cast<size_t>(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= n;
    }
    return true;
}

[[noreturn]] void malformed(const char* what) {
    throw Error(ErrorCode::Provider,
                QStringLiteral("The reader's answer is not valid: %1.").arg(QLatin1String(what)));
}

} // namespace

namespace answer_detail {

// Names repeat from table to table (ID, Name, PrimaryKey); each is made once and shared.
class SharedNames {
public:
    QString Of(std::string_view utf8) {
        if (utf8.size() > kLongestShared)
            return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
        auto known = names_.find(utf8);
        if (known == names_.end())
            known =
                names_
                    .emplace(std::string(utf8),
                             QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())))
                    .first;
        return known->second;
    }

private:
    struct Hash {
        using is_transparent = void; // NOLINT(readability-identifier-naming): the standard names it
        size_t operator()(std::string_view v) const { return std::hash<std::string_view>()(v); }
    };
    static constexpr size_t kLongestShared = 64;
    // Keyed by copies: the bytes an answer arrives in do not outlive the piece they came in.
    std::unordered_map<std::string, QString, Hash, std::equal_to<>> names_;
};

// Reads one whole object front to back; every read checks that its bytes are there.
class Cursor {
public:
    Cursor(const char* data, qsizetype size, SharedNames& names)
        : at_(data), end_(data + size), names_(names) {}

    bool AtEnd() const { return at_ == end_; }
    quint8 Byte() {
        need(1);
        return static_cast<quint8>(*at_++);
    }
    qint32 Number() {
        need(4);
        qint32 v;
        std::memcpy(&v, at_, 4);
        at_ += 4;
        return v;
    }
    // A count of things that follow, each at least one byte long, so that a damaged count
    // cannot ask for more memory than the answer could fill.
    qsizetype Count() {
        const auto n = static_cast<quint32>(Number());
        if (n > static_cast<quint64>(end_ - at_))
            malformed("a count exceeds what follows it");
        return static_cast<qsizetype>(n);
    }
    std::optional<QString> OptionalText() {
        const auto length = static_cast<quint32>(Number());
        if (length == kNoText)
            return std::nullopt;
        need(length);
        const std::string_view bytes(at_, length);
        at_ += length;
        if (length == 0)
            return QString();
        return names_.Of(bytes);
    }
    QString Text() {
        std::optional<QString> v = OptionalText();
        if (!v)
            malformed("a required text is missing");
        return std::move(*v);
    }
    std::optional<qint32> OptionalNumber() {
        if (Byte() == 0)
            return std::nullopt;
        return Number();
    }

private:
    void need(quint64 bytes) const {
        if (bytes > static_cast<quint64>(end_ - at_))
            malformed("it ends in the middle of a value");
    }

    const char* at_;
    const char* end_;
    SharedNames& names_;
};

} // namespace answer_detail

namespace {

using answer_detail::Cursor;

// Read in place: a large answer holds tens of thousands of columns, each worth not moving.
void readColumn(Cursor& in, Column& c) {
    c.name = in.Text();
    c.dataType = in.Number();
    c.maxLength = in.OptionalNumber();
    const quint8 flags = in.Byte();
    c.nullable = flags & Nullable;
    c.autoNumber = flags & AutoNumber;
    c.allowZeroLength = flags & AllowZeroLength;
    c.required = flags & Required;
    c.ordinal = in.Number();
    c.defaultValue = in.OptionalText();
    c.description = in.Text();
    c.precision = in.OptionalNumber();
    c.scale = in.OptionalNumber();
    c.decimalPlaces = in.OptionalNumber();
    c.valueType = in.OptionalNumber();
    c.valueMaxLength = in.OptionalNumber();
    c.validationRule = in.OptionalText();
    c.validationText = in.OptionalText();
    c.caption = in.OptionalText();
    c.format = in.OptionalText();
    c.inputMask = in.OptionalText();
    if ((c.valueType || c.valueMaxLength) && c.dataType != kComplexType)
        malformed("a value type belongs to multi-value columns only");
}

Index readIndex(Cursor& in) {
    Index index;
    index.name = in.Text();
    const quint8 flags = in.Byte();
    index.primary = flags & Primary;
    index.unique = flags & Unique;
    index.ignoreNulls = flags & IgnoreNulls;
    index.required = flags & IndexRequired;
    const qsizetype columns = in.Count();
    index.columns.reserve(columns);
    for (qsizetype i = 0; i < columns; ++i) {
        QString name = in.Text();
        index.columns.append({std::move(name), in.Byte() != 0});
    }
    return index;
}

Table readTable(Cursor& in) {
    Table t;
    t.name = in.Text();
    const quint8 kind = in.Byte();
    if (kind > static_cast<quint8>(ObjectKind::LinkSource) ||
        !IsTableKind(static_cast<ObjectKind>(kind)))
        malformed("a table is of a kind that is not a table's");
    t.kind = static_cast<ObjectKind>(kind);
    const qsizetype columns = in.Count();
    t.columns.reserve(columns);
    for (qsizetype i = 0; i < columns; ++i)
        readColumn(in, t.columns.emplaceBack());
    const qsizetype indexes = in.Count();
    t.indexes.reserve(indexes);
    for (qsizetype i = 0; i < indexes; ++i)
        t.indexes.append(readIndex(in));
    t.description = in.Text();
    t.validationRule = in.OptionalText();
    t.validationText = in.OptionalText();
    // A password in a link's connect string is never kept, whoever wrote the answer.
    t.linkedDatabase = WithoutPassword(in.Text());
    t.connect = WithoutPassword(in.Text());
    t.foreignName = in.Text();
    return t;
}

View readView(Cursor& in) {
    View v;
    v.name = in.Text();
    v.definition = in.Text();
    v.hidden = in.Byte() != 0;
    return v;
}

Query readQuery(Cursor& in) {
    Query q;
    q.name = in.Text();
    const quint8 kind = in.Byte();
    if (kind > static_cast<quint8>(QueryKind::Union))
        malformed("a query is of an unknown kind");
    q.kind = static_cast<QueryKind>(kind);
    q.sql = in.Text();
    const qsizetype parameters = in.Count();
    q.parameters.reserve(parameters);
    for (qsizetype i = 0; i < parameters; ++i) {
        QString name = in.Text();
        q.parameters.append({std::move(name), in.Text()});
    }
    q.connect = WithoutPassword(in.Text());
    q.hidden = in.Byte() != 0;
    return q;
}

Relationship readRelationship(Cursor& in) {
    Relationship r;
    r.name = in.Text();
    r.table = in.Text();
    r.referencedTable = in.Text();
    const qsizetype columns = in.Count();
    r.columns.reserve(columns);
    for (qsizetype i = 0; i < columns; ++i) {
        QString column = in.Text();
        r.columns.append({std::move(column), in.Text()});
    }
    const quint8 flags = in.Byte();
    r.enforced = flags & Enforced;
    r.cascadeUpdate = flags & CascadeUpdate;
    r.cascadeDelete = flags & CascadeDelete;
    r.oneToOne = flags & OneToOne;
    r.cascadeToNull = flags & CascadeToNull;
    return r;
}

// Tables, views and queries share one set of names in Access, matched in any letter case; a
// second object of a name would stand in for the first in every comparison.
void refuseNamesTwice(const Schema& schema, const QStringList& handedOut) {
    QSet<QString> names;
    names.reserve(handedOut.size() + schema.tables.size() + schema.views.size() +
                  schema.queries.size());
    auto claim = [&names](const QString& name) {
        const qsizetype before = names.size();
        names.insert(FoldKey(name));
        if (names.size() == before)
            malformed("two objects have the same name");
    };
    for (const QString& name : handedOut)
        claim(name);
    for (const Table& t : schema.tables)
        claim(t.name);
    for (const View& v : schema.views)
        claim(v.name);
    for (const Query& q : schema.queries)
        claim(q.name);
}

} // namespace

ReaderAnswerWriter::ReaderAnswerWriter(int fd) : fd_(fd) {
    buffer_.reserve(fd < 0 ? 4096 : kFlushAt + 4096);
}

void ReaderAnswerWriter::byte(quint8 v) {
    buffer_.append(static_cast<char>(v));
}

void ReaderAnswerWriter::number(qint32 v) {
    char bytes[4];
    std::memcpy(bytes, &v, 4);
    buffer_.append(bytes, 4);
}

void ReaderAnswerWriter::count(qsizetype n) {
    number(static_cast<qint32>(n));
}

void ReaderAnswerWriter::text(const QString& v) {
    const QByteArray utf8 = v.toUtf8();
    number(static_cast<qint32>(utf8.size()));
    buffer_.append(utf8);
}

void ReaderAnswerWriter::text(const std::optional<QString>& v) {
    if (v)
        text(*v);
    else
        number(static_cast<qint32>(kNoText));
}

void ReaderAnswerWriter::optionalNumber(const std::optional<qint32>& v) {
    byte(v ? 1 : 0);
    if (v)
        number(*v);
}

qsizetype ReaderAnswerWriter::beginObject(quint8 tag) {
    byte(tag);
    const qsizetype head = buffer_.size();
    number(0);
    return head;
}

void ReaderAnswerWriter::endObject(qsizetype head) {
    const auto length = static_cast<qint32>(buffer_.size() - head - 4);
    std::memcpy(buffer_.data() + head, &length, 4);
    flushIfFull();
}

void ReaderAnswerWriter::flushIfFull() {
    if (fd_ < 0 || buffer_.size() < kFlushAt)
        return;
    failed_ = failed_ || !writeAll(fd_, buffer_);
    buffer_.clear();
}

void ReaderAnswerWriter::Begin() {
    buffer_.append(kMark, kMarkSize);
}

void ReaderAnswerWriter::Add(const Table& t) {
    const qsizetype head = beginObject(TableTag);
    text(t.name);
    byte(static_cast<quint8>(t.kind));
    count(t.columns.size());
    for (const Column& c : t.columns) {
        text(c.name);
        number(c.dataType);
        optionalNumber(c.maxLength);
        byte(flagIf(c.nullable, Nullable) | flagIf(c.autoNumber, AutoNumber) |
             flagIf(c.allowZeroLength, AllowZeroLength) | flagIf(c.required, Required));
        number(c.ordinal);
        text(c.defaultValue);
        text(c.description);
        optionalNumber(c.precision);
        optionalNumber(c.scale);
        optionalNumber(c.decimalPlaces);
        optionalNumber(c.valueType);
        optionalNumber(c.valueMaxLength);
        text(c.validationRule);
        text(c.validationText);
        text(c.caption);
        text(c.format);
        text(c.inputMask);
    }
    count(t.indexes.size());
    for (const Index& index : t.indexes) {
        text(index.name);
        byte(flagIf(index.primary, Primary) | flagIf(index.unique, Unique) |
             flagIf(index.ignoreNulls, IgnoreNulls) | flagIf(index.required, IndexRequired));
        count(index.columns.size());
        for (const IndexColumn& c : index.columns) {
            text(c.name);
            byte(c.descending ? 1 : 0);
        }
    }
    text(t.description);
    text(t.validationRule);
    text(t.validationText);
    text(t.linkedDatabase);
    text(t.connect);
    text(t.foreignName);
    endObject(head);
}

void ReaderAnswerWriter::Add(const View& v) {
    const qsizetype head = beginObject(ViewTag);
    text(v.name);
    text(v.definition);
    byte(v.hidden ? 1 : 0);
    endObject(head);
}

void ReaderAnswerWriter::Add(const Query& q) {
    const qsizetype head = beginObject(QueryTag);
    text(q.name);
    byte(static_cast<quint8>(q.kind));
    text(q.sql);
    count(q.parameters.size());
    for (const QueryParameter& p : q.parameters) {
        text(p.name);
        text(p.type);
    }
    text(q.connect);
    byte(q.hidden ? 1 : 0);
    endObject(head);
}

void ReaderAnswerWriter::Add(const Relationship& r) {
    const qsizetype head = beginObject(RelationshipTag);
    text(r.name);
    text(r.table);
    text(r.referencedTable);
    count(r.columns.size());
    for (const RelationshipColumn& c : r.columns) {
        text(c.column);
        text(c.referencedColumn);
    }
    byte(flagIf(r.enforced, Enforced) | flagIf(r.cascadeUpdate, CascadeUpdate) |
         flagIf(r.cascadeDelete, CascadeDelete) | flagIf(r.oneToOne, OneToOne) |
         flagIf(r.cascadeToNull, CascadeToNull));
    endObject(head);
}

bool ReaderAnswerWriter::Finish(const QString& sourceFormat) {
    const qsizetype head = beginObject(EndTag);
    text(sourceFormat);
    endObject(head);
    if (fd_ >= 0) {
        failed_ = failed_ || !writeAll(fd_, buffer_);
        buffer_.clear();
    }
    return !failed_;
}

QByteArray ReaderAnswerBytes(const Schema& schema) {
    ReaderAnswerWriter out;
    out.Begin();
    for (const Table& t : schema.tables)
        out.Add(t);
    for (const View& v : schema.views)
        out.Add(v);
    for (const Query& q : schema.queries)
        out.Add(q);
    for (const Relationship& r : schema.relationships)
        out.Add(r);
    out.Finish(schema.sourceFormat);
    return out.Bytes();
}

ReaderAnswerReader::ReaderAnswerReader() : names_(std::make_unique<answer_detail::SharedNames>()) {}
ReaderAnswerReader::~ReaderAnswerReader() = default;

void ReaderAnswerReader::readObject(quint8 tag, answer_detail::Cursor& in) {
    // readWhole let only the tags of objects through.
    switch (static_cast<Tag>(tag)) {
    case TableTag:
        if (tableSink_) {
            Table table = readTable(in);
            handedOut_.append(table.name);
            tableSink_(std::move(table));
        } else {
            schema_.tables.append(readTable(in));
        }
        break;
    case ViewTag:
        schema_.views.append(readView(in));
        break;
    case QueryTag:
        schema_.queries.append(readQuery(in));
        break;
    case RelationshipTag:
        schema_.relationships.append(readRelationship(in));
        break;
    case EndTag:
        schema_.sourceFormat = in.Text();
        ended_ = true;
        break;
    }
    if (!in.AtEnd())
        malformed("an object holds more than its values");
}

qsizetype ReaderAnswerReader::readWhole(const char* data, qsizetype size, bool more) {
    qsizetype at = 0;
    if (!marked_) {
        const qsizetype have = std::min(size, kMarkSize);
        if ((have > 0 && std::memcmp(data, kMark, static_cast<size_t>(have)) != 0) ||
            (have < kMarkSize && !more))
            malformed("it does not start as an answer of this version does");
        if (have < kMarkSize)
            return 0;
        marked_ = true;
        at = kMarkSize;
    }
    while (at < size) {
        if (ended_)
            malformed("something follows its end");
        const auto tag = static_cast<quint8>(data[at]);
        if (!isObjectTag(tag))
            malformed("an object of an unknown kind");
        quint32 length = 0;
        if (size - at >= kObjectHead) {
            length = objectLength(data + at);
            if (length > static_cast<quint64>(kLargestObject))
                malformed("an object is larger than any schema holds");
        }
        if (size - at < kObjectHead || size - at - kObjectHead < static_cast<qsizetype>(length)) {
            if (!more)
                malformed("it ends in the middle of a value");
            break;
        }
        answer_detail::Cursor in(data + at + kObjectHead, length, *names_);
        readObject(tag, in);
        at += kObjectHead + length;
    }
    return at;
}

void ReaderAnswerReader::HandTablesTo(TableSink sink) {
    tableSink_ = std::move(sink);
}

qsizetype ReaderAnswerReader::pendingNeeds() const {
    if (!marked_)
        return kMarkSize - pending_.size();
    if (pending_.size() < kObjectHead)
        return kObjectHead - pending_.size();
    return kObjectHead + static_cast<qsizetype>(objectLength(pending_.constData())) -
           pending_.size();
}

void ReaderAnswerReader::Add(const char* data, qsizetype size) {
    // Whole objects are read where they arrive; only one cut between two pieces is copied, and
    // no more of the next piece than it needs.
    while (!pending_.isEmpty() && size > 0) {
        const qsizetype take = std::min(pendingNeeds(), size);
        pending_.append(data, take);
        data += take;
        size -= take;
        pending_.remove(0, readWhole(pending_.constData(), pending_.size(), true));
    }
    const qsizetype read = readWhole(data, size, true);
    pending_.append(data + read, size - read);
}

Schema ReaderAnswerReader::Finish() {
    readWhole(pending_.constData(), pending_.size(), false);
    pending_.clear();
    if (!marked_)
        malformed("it does not start as an answer of this version does");
    if (!ended_)
        malformed("it ends in the middle of a value");
    refuseNamesTwice(schema_, handedOut_);
    return std::move(schema_);
}

Schema ReadReaderAnswer(const char* data, qsizetype size) {
    ReaderAnswerReader reader;
    reader.Add(data, size);
    return reader.Finish();
}

} // namespace vantor
