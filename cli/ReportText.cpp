#include "cli/Reports.h"

namespace vantor::cli {

std::array<int, 4> CompareReport::Totals() const {
    std::array<int, 4> totals{};
    for (const ReportedObject& o : objects)
        ++totals[static_cast<size_t>(o.state)];
    return totals;
}

bool CompareReport::AllEqual() const {
    return std::all_of(objects.begin(), objects.end(),
                       [](const ReportedObject& o) { return o.state == ObjectState::Equal; });
}

CompareReport MakeCompareReport(const Session& session, bool all) {
    return {session.login(Side::Primary).path, session.login(Side::Secondary).path,
            ReportedObjects(*session.diff(), all)};
}

QString TotalsSentence(const std::array<int, 4>& totals) {
    int count = 0;
    QStringList parts;
    for (ObjectState state : {ObjectState::Equal, ObjectState::Different, ObjectState::OnlyPrimary,
                              ObjectState::OnlySecondary}) {
        const int n = totals[static_cast<size_t>(state)];
        count += n;
        if (n > 0)
            parts << QStringLiteral("%1 %2").arg(n).arg(StateWord(state));
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
    for (const ReportedObject& o : report.objects) {
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
    for (const ReportedObject& o : report.objects)
        text += row(o.name, o.type, StateWord(o.state));
    text += QLatin1Char('\n') + TotalsSentence(report.Totals()) + QLatin1Char('\n');
    return text.toUtf8();
}

} // namespace vantor::cli
