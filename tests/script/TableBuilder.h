#pragma once

#include "model/clsObjects.h"

#include <QString>
#include <memory>

namespace vantor::test {

// Builds a table object the way the engine loads one: keyed columns, no auto-numbering.
class TableBuilder {
public:
    explicit TableBuilder(const QString& name, const QString& type = QStringLiteral("TABLE")) {
        object_->Obj_Name(name);
        object_->Obj_Key(QStringLiteral(":") + name);
        object_->xType(type);
    }
    TableBuilder& Column(const QString& name, qint16 type, qint16 size = 0, bool nullable = true,
                         bool autoNumber = false) {
        object_->Fields()->Add(name, type, size, autoNumber, nullable, false, false, 0, 0, name);
        return *this;
    }
    std::shared_ptr<clsObject> Build() const { return object_; }
    operator std::shared_ptr<clsObject>() const { return object_; }

private:
    std::shared_ptr<clsObject> object_ = std::make_shared<clsObject>();
};

} // namespace vantor::test
