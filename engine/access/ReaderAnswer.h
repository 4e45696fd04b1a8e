#pragma once

#include "engine/Source.h"
#include "model/Schema.h"

#include <QByteArray>
#include <memory>

namespace vantor {

// The reader's answer is a compact binary form of the schema, written one object at a time as
// the reader finds it, so that neither side holds a text copy of a large schema besides the
// schema itself. Both ends come from the same build; the leading mark refuses any other answer.
// Order: the mark, then tables, views, queries and relationships in any order, each tagged and
// with its length, and an end tag with the source format; an answer without its end tag was cut
// short.
class ReaderAnswerWriter {
public:
    // Writes to fd as the buffer fills; with no descriptor (-1) everything stays in Bytes().
    explicit ReaderAnswerWriter(int fd = -1);

    void Begin();
    void Add(const Table& table);
    void Add(const View& view);
    void Add(const Query& query);
    void Add(const Relationship& relationship);
    // Ends the answer and writes what is left; false when the descriptor refused a write.
    bool Finish(const QString& sourceFormat);

    const QByteArray& Bytes() const { return buffer_; }

private:
    void byte(quint8 v);
    void number(qint32 v);
    void count(qsizetype n);
    void text(const QString& v);
    void text(const std::optional<QString>& v);
    void optionalNumber(const std::optional<qint32>& v);
    // An object is its tag, its length and its values; the length is filled in at its end.
    qsizetype beginObject(quint8 tag);
    void endObject(qsizetype head);
    void flushIfFull();

    int fd_;
    bool failed_ = false;
    QByteArray buffer_;
};

// The whole schema as one answer, for tests and tools.
QByteArray ReaderAnswerBytes(const Schema& schema);

namespace answer_detail {
class Cursor;
class SharedNames;
} // namespace answer_detail

// Reads an answer as it arrives, so that the schema is built while the reader is still
// writing: Add takes the bytes that follow those added before and reads every object they
// complete; Finish reads the rest. Raises Error as ReadReaderAnswer does; an error from Add
// means the answer is not valid, whatever follows.
class ReaderAnswerReader {
public:
    ReaderAnswerReader();
    ~ReaderAnswerReader();
    ReaderAnswerReader(const ReaderAnswerReader&) = delete;
    ReaderAnswerReader& operator=(const ReaderAnswerReader&) = delete;

    // Hands every table read from now on to sink instead of keeping it; Finish still refuses an
    // answer that names two objects alike.
    void HandTablesTo(TableSink sink);
    void Add(const char* data, qsizetype size);
    // The schema, once the answer is known to be complete; call once.
    Schema Finish();

private:
    // Reads the whole objects at the start of data and returns how many bytes they took; with
    // more to come, an object cut short is left for later, else it is refused.
    qsizetype readWhole(const char* data, qsizetype size, bool more);
    void readObject(quint8 tag, answer_detail::Cursor& in);
    // How many more bytes the object waiting in pending_ needs before its length, or it, is whole.
    qsizetype pendingNeeds() const;

    QByteArray pending_; // the start of an object not yet whole
    bool marked_ = false;
    bool ended_ = false;
    Schema schema_;
    TableSink tableSink_;
    QStringList handedOut_; // the names of the tables handed to the sink
    std::unique_ptr<answer_detail::SharedNames> names_;
};

// Reads an answer back into the schema it describes. Raises Error on an answer that is cut short,
// malformed, or names two tables, views or queries alike, so that nothing of a broken answer is
// used.
Schema ReadReaderAnswer(const char* data, qsizetype size);

} // namespace vantor
