#pragma once

#include "model/clsFields.h"

#include <memory>

namespace vantor {

// One table or view of a database, with its columns.
class clsObject {
public:
    std::shared_ptr<clsFields> Fields() const { return fields_; }
    void Fields(const std::shared_ptr<clsFields>& v) { fields_ = v; }
    QString Obj_Key() const { return objKey_; }
    void Obj_Key(const QString& v) { objKey_ = v; }
    qint16 Status() const { return status_; }
    void Status(qint16 v) { status_ = v; }
    QString Obj_Text() const { return objText_; }
    void Obj_Text(const QString& v) { objText_ = v; }
    QString Description() const { return description_; }
    void Description(const QString& v) { description_ = v; }
    QString Parent() const { return parent_; }
    void Parent(const QString& v) { parent_ = v; }
    QString Obj_Name() const { return objName_; }
    void Obj_Name(const QString& v) { objName_ = v; }
    QString Category() const { return category_; }
    void Category(const QString& v) { category_ = v; }
    QString xType() const { return xType_; }
    void xType(const QString& v) { xType_ = v; }

    // The CREATE TABLE batch of this object (written by the script generator).
    QString SqlCreate() const;

private:
    QString xType_;
    QString category_;
    QString objName_;
    QString parent_;
    QString description_;
    QString objText_;
    qint16 status_ = 0;
    QString objKey_;
    std::shared_ptr<clsFields> fields_ = std::make_shared<clsFields>();
};

} // namespace vantor
