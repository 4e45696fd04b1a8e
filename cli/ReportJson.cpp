#include "cli/Reports.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vantor::cli {

QByteArray CompareAsJson(const CompareReport& report) {
    QJsonArray objects;
    for (const ReportedObject& o : report.objects)
        objects.append(QJsonObject{{QStringLiteral("name"), o.name},
                                   {QStringLiteral("type"), o.type},
                                   {QStringLiteral("status"), StateNumber(o.state)},
                                   {QStringLiteral("state"), StateWord(o.state)}});
    const std::array<int, 4> totals = report.Totals();
    QJsonObject summary{{QStringLiteral("objects"), static_cast<int>(report.objects.size())},
                        {QStringLiteral("equal"), totals[0]},
                        {QStringLiteral("different"), totals[1]},
                        {QStringLiteral("onlyInPrimary"), totals[2]},
                        {QStringLiteral("onlyInSecondary"), totals[3]}};
    QJsonObject root{{QStringLiteral("primary"), report.primary},
                     {QStringLiteral("secondary"), report.secondary},
                     {QStringLiteral("objects"), objects},
                     {QStringLiteral("summary"), summary}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

} // namespace vantor::cli
