#include "engine/snapshot/SnapshotWriter.h"

#include "engine/SnapshotJson.h"

#include <QJsonDocument>

namespace vantor {

namespace {

// QJsonDocument indents by four blanks a level; a table sits two levels deep in the document.
const QByteArray kTableIndent(8, ' ');
const QByteArray kEmptyTables = QByteArrayLiteral("\"tables\": [\n    ]");

bool unchanged(const Table& a, const Table& b) {
    return a.name == b.name && a.kind == b.kind && a.columns.isSharedWith(b.columns) &&
           a.indexes.isSharedWith(b.indexes) && a.description == b.description &&
           a.validationRule == b.validationRule && a.validationText == b.validationText &&
           a.linkedDatabase == b.linkedDatabase && a.connect == b.connect &&
           a.foreignName == b.foreignName;
}

QByteArray indentedTable(const Table& table) {
    QByteArray json = QJsonDocument(SnapshotTableJson(table)).toJson(QJsonDocument::Indented);
    json.chop(1); // the document's final line break
    QByteArray out;
    out.reserve(json.size() + json.count('\n') * kTableIndent.size() + kTableIndent.size());
    out += kTableIndent;
    for (char c : json) {
        out += c;
        if (c == '\n')
            out += kTableIndent;
    }
    return out;
}

} // namespace

QByteArray SnapshotWriter::tableText(const Table& table, QHash<QString, CachedTable>& next) {
    auto cached = cache_.find(table.name);
    if (cached != cache_.end() && unchanged(cached->table, table))
        return next.insert(table.name, std::move(*cached))->text;
    return next.insert(table.name, CachedTable{table, indentedTable(table)})->text;
}

QByteArray SnapshotWriter::Write(const Schema& schema) {
    Schema frame = schema;
    frame.tables.clear();
    QByteArray document = WriteSnapshotJson(frame);
    if (schema.tables.isEmpty()) {
        cache_.clear();
        return document;
    }
    // The frame holds exactly one empty "tables" array: keys are quoted and strings escaped,
    // so no value can contain this text.
    qsizetype at = document.indexOf(kEmptyTables);
    Q_ASSERT(at >= 0);
    QByteArrayView head(document.constData(), at);
    QByteArrayView tail(document.constData() + at + kEmptyTables.size(),
                        document.size() - at - kEmptyTables.size());

    QHash<QString, CachedTable> next;
    next.reserve(schema.tables.size());
    QList<QByteArray> texts; // shared with the cache, not copied
    texts.reserve(schema.tables.size());
    qsizetype total = head.size() + tail.size() + 32;
    for (const Table& table : schema.tables) {
        texts.append(tableText(table, next));
        total += texts.last().size() + 2;
    }
    cache_ = std::move(next);

    // One buffer kept across calls: a fresh multi-megabyte allocation per statement costs more
    // in page faults than the copying itself.
    buffer_.resize(0);
    buffer_.reserve(total);
    buffer_.append(head);
    buffer_.append("\"tables\": [\n");
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i > 0)
            buffer_.append(",\n");
        buffer_.append(texts[i]);
    }
    buffer_.append("\n    ]");
    buffer_.append(tail);
    return buffer_;
}

} // namespace vantor
