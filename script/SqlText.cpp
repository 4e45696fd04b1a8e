#include "script/SqlText.h"

namespace vantor {

QString SqlBracket(const QString& text) {
    return QLatin1Char('[') + text + QLatin1Char(']');
}

QString SqlParen(const QString& text) {
    return QLatin1Char('(') + text + QLatin1Char(')');
}

QString SqlDrop(const QString& xType, const QString& name) {
    if (xType == QLatin1String("TABLE"))
        return QStringLiteral("DROP TABLE ") + SqlBracket(name);
    if (xType == QLatin1String("VIEW"))
        return QStringLiteral("DROP VIEW ") + SqlBracket(name);
    return QString();
}

QString ColumnSuffix(const clsField& column) {
    QString suffix;
    if (!column.IsNullable())
        suffix += QStringLiteral(" not null");
    if (column.IsAutoNumber())
        suffix += QStringLiteral(" identity");
    return suffix;
}

void ChopListSeparator(QString& list) {
    if (list.endsWith(QLatin1String(", \r\n")))
        list.chop(4);
    else if (list.endsWith(QLatin1String(",\r\n")))
        list.chop(3);
}

qsizetype BlankTrimmedLength(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == QLatin1Char(' '))
        ++first;
    while (last > first && text[last - 1] == QLatin1Char(' '))
        --last;
    return last - first;
}

} // namespace vantor
