#pragma once

#include <QString>
#include <QtGlobal>

namespace vantor {

// One column of a table or view as the engine read it from a database schema.
class clsField {
public:
    qint16 Status() const { return status_; }
    void Status(qint16 v) { status_ = v; }
    qint16 OrdPosition() const { return ordPosition_; }
    void OrdPosition(qint16 v) { ordPosition_ = v; }
    bool IsPrimaryKey() const { return isPrimaryKey_; }
    void IsPrimaryKey(bool v) { isPrimaryKey_ = v; }
    bool IsEmptyAble() const { return isEmptyAble_; }
    void IsEmptyAble(bool v) { isEmptyAble_ = v; }
    bool IsNullable() const { return isNullable_; }
    void IsNullable(bool v) { isNullable_ = v; }
    bool IsAutoNumber() const { return isAutoNumber_; }
    void IsAutoNumber(bool v) { isAutoNumber_ = v; }
    qint16 FieldSize() const { return fieldSize_; }
    void FieldSize(qint16 v) { fieldSize_ = v; }
    qint16 FieldType() const { return fieldType_; }
    void FieldType(qint16 v) { fieldType_ = v; }
    QString FieldName() const { return fieldName_; }
    void FieldName(const QString& v) { fieldName_ = v; }

private:
    QString fieldName_;
    qint16 fieldType_ = 0;
    qint16 fieldSize_ = 0;
    bool isAutoNumber_ = false;
    bool isNullable_ = false;
    bool isEmptyAble_ = false;
    bool isPrimaryKey_ = false;
    qint16 ordPosition_ = 0;
    qint16 status_ = 0;
};

} // namespace vantor
