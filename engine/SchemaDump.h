#pragma once

#include "engine/CompareSettings.h"
#include "engine/Source.h"
#include "model/Schema.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <memory>

namespace vantor {

// The schema as plain text for version control and review, the same for the same schema
// whatever file holds it: each kind of object in a section of its own (tables, links, views,
// queries, relationships), objects sorted by name without regard to case, a table's columns in
// the table's order with its indexes after them, one setting per line, LF line ends. Nothing in it
// changes when the schema does not: no file format, dates, sizes or counts. The settings choose
// the kinds and names, and whether hidden queries and system tables are shown; the way texts are
// weighed does not apply. Passwords in connect strings are replaced by "***".
QString SchemaDumpText(const Schema& schema, const CompareSettings& settings = {});
// The same text as UTF-8, the form it is written in, made without an intermediate copy.
QByteArray SchemaDumpUtf8(const Schema& schema, const CompareSettings& settings = {});

namespace dump_detail {
class Dumper;
} // namespace dump_detail

// The same text from a source read table by table and held once, in pieces, so that neither a
// large schema nor a second copy of its text is held. A failed read raises as the source does.
class SchemaDumpPieces {
public:
    explicit SchemaDumpPieces(Source& source, const CompareSettings& settings = {});
    ~SchemaDumpPieces();
    SchemaDumpPieces(SchemaDumpPieces&&) noexcept;
    SchemaDumpPieces& operator=(SchemaDumpPieces&&) noexcept;

    // Hands the text to write in pieces, in order, as UTF-8.
    void WriteTo(const std::function<void(QByteArrayView utf8)>& write) const;

private:
    std::unique_ptr<dump_detail::Dumper> dumper_;
};

// A column's type as Jet DDL spells it: TEXT(50), MEMO, LONG, COUNTER, DECIMAL(18,2), ...
QString JetTypeText(const Column& column);

} // namespace vantor
