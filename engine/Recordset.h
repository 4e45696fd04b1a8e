#pragma once

#include <QList>
#include <QStringList>
#include <QVariant>

namespace vantor {

// One value of the current row; Value() is null where the provider gives none.
class RecordsetField {
public:
    explicit RecordsetField(QVariant value) : value_(std::move(value)) {}
    QVariant Value() const { return value_; }

private:
    QVariant value_;
};

// A forward-readable set of rows, as a schema query or a statement returns them.
class Recordset {
public:
    Recordset(QStringList columns, QList<QVariantList> rows);

    // EOF of the design; the C library owns that name as a macro.
    bool Eof() const;
    void MoveFirst();
    void MoveNext();
    RecordsetField Fields(const QString& name) const;
    void Close();

    qint32 RecordCount() const { return static_cast<qint32>(rows_.size()); }
    const QStringList& ColumnNames() const { return columns_; }

private:
    void requireOpen() const;
    void requireCurrent() const;

    QStringList columns_;
    QList<QVariantList> rows_;
    qsizetype position_ = 0;
    bool open_ = true;
};

} // namespace vantor
