#include "ui/shell/ActivityLog.h"

#include "engine/clsEngine.h"

#include <QDateTime>

namespace vantor {

void ActivityLog::Write(const QString& text) {
    QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    Q_EMIT LineWritten(stamp + QStringLiteral("  ") + text);
}

void ActivityLog::Follow(clsEngine& engine) {
    connect(&engine, &clsEngine::ErrorEvents, this, [this](qint32 number, const QString& text) {
        Write(QStringLiteral("Error %1: %2").arg(number).arg(text));
    });
}

QString ComparisonCounts(const clsEngine& engine) {
    int counts[4] = {0, 0, 0, 0};
    int total = 0;
    if (engine.Tables) {
        for (const auto& object : *engine.Tables) {
            QString type = object->xType();
            if (type == QLatin1String("ACCESS TABLE") || type == QLatin1String("SYSTEM TABLE"))
                continue;
            ++total;
            if (object->Status() >= 0 && object->Status() <= 3)
                ++counts[object->Status()];
        }
    }
    return QStringLiteral("%1 objects: %2 equal, %3 different, %4 only in the primary, %5 only "
                          "in the secondary database")
        .arg(total)
        .arg(counts[0])
        .arg(counts[1])
        .arg(counts[2])
        .arg(counts[3]);
}

QString DescribeComparison(const clsEngine& engine) {
    return QStringLiteral("Compared %1 with %2: %3")
        .arg(engine.DbPathPrimary(), engine.DbPathSecondary(), ComparisonCounts(engine));
}

ActivityLog& Log() {
    static ActivityLog log;
    return log;
}

} // namespace vantor
