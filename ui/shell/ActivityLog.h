#pragma once

#include <QObject>
#include <QString>

namespace vantor {

class clsEngine;

// The time-stamped lines the log window shows: connects, refreshes, engine errors, script runs.
class ActivityLog : public QObject {
    Q_OBJECT

public:
    void Write(const QString& text);
    // Every error the engine notifies becomes a log line.
    void Follow(clsEngine& engine);

Q_SIGNALS:
    void LineWritten(const QString& stampedLine);
};

ActivityLog& Log();

// How many objects the last comparison found, and how many in each state.
QString ComparisonCounts(const clsEngine& engine);
// The same, naming the two databases.
QString DescribeComparison(const clsEngine& engine);

} // namespace vantor
