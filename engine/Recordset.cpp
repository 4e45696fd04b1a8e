#include "engine/Recordset.h"

#include "model/VantorError.h"

namespace vantor {

namespace {
constexpr qint32 kNoCurrentRecord = 3021;
}

Recordset::Recordset(QStringList columns, QList<QVariantList> rows)
    : columns_(std::move(columns)), rows_(std::move(rows)) {}

void Recordset::requireOpen() const {
    if (!open_)
        throw VantorError(err::OperationNotAllowedWhenClosed,
                          QStringLiteral("Operation is not allowed when the object is closed."));
}

void Recordset::requireCurrent() const {
    requireOpen();
    if (position_ >= rows_.size())
        throw VantorError(kNoCurrentRecord,
                          QStringLiteral("Either BOF or EOF is True, or the current record has "
                                         "been deleted. Requested operation requires a current "
                                         "record."));
}

bool Recordset::Eof() const {
    requireOpen();
    return position_ >= rows_.size();
}

void Recordset::MoveFirst() {
    requireOpen();
    position_ = 0;
}

void Recordset::MoveNext() {
    requireCurrent();
    ++position_;
}

RecordsetField Recordset::Fields(const QString& name) const {
    requireCurrent();
    qsizetype column = 0;
    while (column < columns_.size() && columns_[column].compare(name, Qt::CaseInsensitive) != 0)
        ++column;
    if (column == columns_.size())
        throw VantorError(err::ItemNotFound,
                          QStringLiteral("Item cannot be found in the collection corresponding to "
                                         "the requested name or ordinal."));
    const QVariantList& row = rows_[position_];
    return RecordsetField(column < row.size() ? row[column] : QVariant());
}

void Recordset::Close() {
    requireOpen();
    open_ = false;
}

} // namespace vantor
