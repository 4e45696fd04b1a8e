#pragma once

#include "model/KeyedCollection.h"
#include "model/clsField.h"

namespace vantor {

// The ordered, keyed columns of one schema object.
class clsFields {
public:
    using Ptr = std::shared_ptr<clsField>;

    Ptr AddObj(const Ptr& o, const QString& sKey = QString());
    Ptr Add(const QString& FieldName, qint16 FieldType, qint16 FieldSize, bool IsAutoNumber,
            bool IsNullable, bool IsEmptyAble, bool IsPrimaryKey, qint16 OrdPosition, qint16 Status,
            const QString& sKey = QString());

    Ptr Item(qint64 position) const { return items_.Item(position); }
    Ptr Item(const QString& key) const { return items_.Item(key); }
    qint32 Count() const { return items_.Count(); }
    void Remove(qint64 position) { items_.Remove(position); }
    void Remove(const QString& key) { items_.Remove(key); }
    std::vector<Ptr> NewEnum() const { return items_.NewEnum(); }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    KeyedCollection<clsField> items_;
};

} // namespace vantor
