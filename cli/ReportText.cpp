#include "cli/Reports.h"

#include "engine/clsEngine.h"

namespace vantor::cli {

std::array<int, 4> CompareReport::Totals() const {
    std::array<int, 4> totals{};
    for (const ObjectState& o : objects)
        if (o.status >= 0 && o.status < 4)
            ++totals[static_cast<size_t>(o.status)];
    return totals;
}

bool CompareReport::AllEqual() const {
    for (const ObjectState& o : objects)
        if (o.status != 0)
            return false;
    return true;
}

CompareReport MakeCompareReport(const clsEngine& engine, bool all) {
    return {engine.DbPathPrimary(), engine.DbPathSecondary(), ReportedObjects(engine, all)};
}

QString TotalsSentence(const std::array<int, 4>& totals) {
    int count = 0;
    QStringList parts;
    for (qint16 status = 0; status < 4; ++status) {
        count += totals[static_cast<size_t>(status)];
        if (totals[static_cast<size_t>(status)] > 0)
            parts << QStringLiteral("%1 %2")
                         .arg(totals[static_cast<size_t>(status)])
                         .arg(StateWord(status));
    }
    QString sentence = QStringLiteral("%1 %2").arg(count).arg(
        count == 1 ? QStringLiteral("object") : QStringLiteral("objects"));
    return parts.isEmpty() ? sentence : sentence + QStringLiteral(": ") + parts.join(u", ");
}

QByteArray CompareAsText(const CompareReport& report) {
    QString nameHead = QStringLiteral("NAME");
    QString typeHead = QStringLiteral("TYPE");
    qsizetype nameWidth = nameHead.size();
    qsizetype typeWidth = typeHead.size();
    for (const ObjectState& o : report.objects) {
        nameWidth = std::max(nameWidth, o.name.size());
        typeWidth = std::max(typeWidth, o.type.size());
    }
    auto row = [&](const QString& name, const QString& type, const QString& state) {
        return name.leftJustified(nameWidth) + QStringLiteral("  ") +
               type.leftJustified(typeWidth) + QStringLiteral("  ") + state + QLatin1Char('\n');
    };
    QString text =
        QStringLiteral("Primary:   %1\nSecondary: %2\n\n").arg(report.primary, report.secondary);
    text += row(nameHead, typeHead, QStringLiteral("STATE"));
    for (const ObjectState& o : report.objects)
        text += row(o.name, o.type, StateWord(o.status));
    text += QLatin1Char('\n') + TotalsSentence(report.Totals()) + QLatin1Char('\n');
    return text.toUtf8();
}

} // namespace vantor::cli
