#include "model/clsFields.h"

namespace vantor {

clsFields::Ptr clsFields::AddObj(const Ptr& o, const QString& sKey) {
    items_.Append(o, sKey);
    return o;
}

clsFields::Ptr clsFields::Add(const QString& FieldName, qint16 FieldType, qint16 FieldSize,
                              bool IsAutoNumber, bool IsNullable, bool IsEmptyAble,
                              bool IsPrimaryKey, qint16 OrdPosition, qint16 Status,
                              const QString& sKey) {
    auto objNewMember = std::make_shared<clsField>();
    objNewMember->FieldName(FieldName);
    objNewMember->FieldType(FieldType);
    objNewMember->FieldSize(FieldSize);
    objNewMember->IsAutoNumber(IsAutoNumber);
    objNewMember->IsNullable(IsNullable);
    objNewMember->IsEmptyAble(IsEmptyAble);
    objNewMember->IsPrimaryKey(IsPrimaryKey);
    objNewMember->OrdPosition(OrdPosition);
    objNewMember->Status(Status);
    items_.Append(objNewMember, sKey);
    return objNewMember;
}

} // namespace vantor
