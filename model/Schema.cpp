#include "model/Schema.h"

#include "model/Kinds.h"

#include <array>
#include <utility>

namespace vantor {

namespace {
template <typename List> auto findByName(List& list, const QString& name) -> decltype(&list[0]) {
    QString key = FoldKey(name);
    for (auto& item : list)
        if (FoldKey(item.name) == key)
            return &item;
    return nullptr;
}
const std::array<std::pair<QueryKind, const char*>, 9> kQueryKindNames{{
    {QueryKind::Select, "SELECT"},
    {QueryKind::Crosstab, "CROSSTAB"},
    {QueryKind::Delete, "DELETE"},
    {QueryKind::Update, "UPDATE"},
    {QueryKind::Append, "APPEND"},
    {QueryKind::MakeTable, "MAKE TABLE"},
    {QueryKind::DataDefinition, "DATA DEFINITION"},
    {QueryKind::PassThrough, "PASS-THROUGH"},
    {QueryKind::Union, "UNION"},
}};
} // namespace

QString QueryKindName(QueryKind kind) {
    for (const auto& [k, name] : kQueryKindNames)
        if (k == kind)
            return QLatin1String(name);
    return QString();
}

std::optional<QueryKind> QueryKindOfName(const QString& name) {
    for (const auto& [k, spelled] : kQueryKindNames)
        if (name == QLatin1String(spelled))
            return k;
    return std::nullopt;
}

QString WithoutPassword(const QString& connect) {
    QString out;
    out.reserve(connect.size());
    qsizetype i = 0;
    while (i < connect.size()) {
        qsizetype equals = connect.indexOf(QLatin1Char('='), i);
        qsizetype semicolon = connect.indexOf(QLatin1Char(';'), i);
        if (equals < 0 || (semicolon >= 0 && semicolon < equals)) { // an item without a value
            qsizetype end = semicolon < 0 ? connect.size() : semicolon + 1;
            out += connect.mid(i, end - i);
            i = end;
            continue;
        }
        // ODBC puts a value holding ';' in braces, doubling any '}' inside.
        qsizetype end = equals + 1;
        while (end < connect.size() && connect[end].isSpace())
            ++end;
        if (end < connect.size() && connect[end] == QLatin1Char('{')) {
            for (++end; end < connect.size(); ++end)
                if (connect[end] == QLatin1Char('}')) {
                    if (end + 1 < connect.size() && connect[end + 1] == QLatin1Char('}'))
                        ++end;
                    else
                        break;
                }
        }
        end = connect.indexOf(QLatin1Char(';'), qMin(end, connect.size()));
        if (end < 0)
            end = connect.size();
        const QString key = connect.mid(i, equals - i).trimmed();
        if (key.compare(QLatin1String("PWD"), Qt::CaseInsensitive) == 0 ||
            key.compare(QLatin1String("PASSWORD"), Qt::CaseInsensitive) == 0)
            out += connect.mid(i, equals + 1 - i) + QLatin1String("***");
        else
            out += connect.mid(i, end - i);
        if (end < connect.size())
            out += QLatin1Char(';');
        i = end + 1;
    }
    return out;
}

Table* Schema::findTable(const QString& name) {
    return findByName(tables, name);
}
const Table* Schema::findTable(const QString& name) const {
    return findByName(tables, name);
}
View* Schema::findView(const QString& name) {
    return findByName(views, name);
}
const View* Schema::findView(const QString& name) const {
    return findByName(views, name);
}
const Query* Schema::findQuery(const QString& name) const {
    return findByName(queries, name);
}

} // namespace vantor
