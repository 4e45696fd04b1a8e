#pragma once

#include "cli/CompareSession.h"

#include <QByteArray>
#include <array>

namespace vantor::cli {

// What `compare` reports: the two databases and every reported object with its state.
struct CompareReport {
    QString primary;
    QString secondary;
    std::vector<ReportedObject> objects;

    // How many objects are in each state, in ObjectState's order.
    std::array<int, 4> Totals() const;
    bool AllEqual() const;
};

// The report of a session's comparison; the session must outlive it.
CompareReport MakeCompareReport(const Session& session, bool all);

QByteArray CompareAsText(const CompareReport& report);
QByteArray CompareAsJson(const CompareReport& report);
// One self-contained page: the summary, then each differing object with its two
// definitions side by side and the differing stretches in red, as the comparison window marks
// them.
QByteArray CompareAsHtml(const CompareReport& report);

// The totals as one sentence, e.g. "5 objects: 3 equal, 1 different, 1 only in primary".
QString TotalsSentence(const std::array<int, 4>& totals);

} // namespace vantor::cli
