#pragma once

#include "model/KeyedCollection.h"
#include "model/clsObject.h"

namespace vantor {

// The keyed schema objects of one database side (or the engine's combined list).
class clsObjects {
public:
    using Ptr = std::shared_ptr<clsObject>;

    Ptr Add(const Ptr& objNewMember, const QString& sKey = QString()) {
        items_.Append(objNewMember, sKey);
        return objNewMember;
    }
    Ptr Item(qint64 position) const { return items_.Item(position); }
    Ptr Item(const QString& key) const { return items_.Item(key); }
    qint32 Count() const { return items_.Count(); }
    void Remove(qint64 position) { items_.Remove(position); }
    void Remove(const QString& key) { items_.Remove(key); }
    std::vector<Ptr> NewEnum() const { return items_.NewEnum(); }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    KeyedCollection<clsObject> items_;
};

} // namespace vantor
