#include "engine/Globals.h"
#include "model/VantorError.h"
#include "model/clsObject.h"
#include "script/SqlDataType.h"
#include "script/SqlText.h"

namespace vantor {

QString clsObject::SqlCreate() const {
    try {
        if (!fields_)
            return QString();
        QString list;
        list.reserve(fields_->Count() * 40);
        for (qint32 i = 1; i <= fields_->Count(); ++i) {
            auto column = fields_->Item(i);
            if (!column)
                throw VantorError(err::ObjectNotSet,
                                  QStringLiteral("Object variable or With block variable not set"));
            list += QStringLiteral("   ") + SqlBracket(column->FieldName()) + QLatin1Char(' ') +
                    SqlDataType(column->FieldType(), column->FieldSize(), ColumnSuffix(*column));
        }
        ChopListSeparator(list);
        if (BlankTrimmedLength(list) <= 1)
            return QString();
        return QStringLiteral("CREATE TABLE ") + SqlBracket(objName_) + CrLf +
               SqlParen(list + CrLf) + CrLf + QStringLiteral("GO") + CrLf;
    } catch (const VantorError& e) {
        Ui().MsgBox(e.Description(), mb::Exclamation);
    } catch (const std::exception& e) {
        Ui().MsgBox(QString::fromLocal8Bit(e.what()), mb::Exclamation);
    }
    return QString();
}

} // namespace vantor
