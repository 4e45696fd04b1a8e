#pragma once

#include "cli/CompareSession.h"

#include <QByteArray>
#include <array>

namespace vantor::cli {

// What `compare` reports: the two databases and every reported object with its state.
struct CompareReport {
    QString primary;
    QString secondary;
    std::vector<ObjectState> objects;

    // How many objects are in each state 0 to 3.
    std::array<int, 4> Totals() const;
    bool AllEqual() const;
};

CompareReport MakeCompareReport(const clsEngine& engine, bool all);

QByteArray CompareAsText(const CompareReport& report);
QByteArray CompareAsJson(const CompareReport& report);
// One self-contained page: the summary, then each differing table and view with its two
// definitions side by side and the differing stretches in red, as the comparison window marks
// them with the engine's CmpString.
QByteArray CompareAsHtml(const CompareReport& report, clsEngine& engine);

// The totals as one sentence, e.g. "5 objects: 3 equal, 1 different, 1 only in primary".
QString TotalsSentence(const std::array<int, 4>& totals);

} // namespace vantor::cli
