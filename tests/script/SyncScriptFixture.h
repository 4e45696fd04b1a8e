#pragma once

#include "script/SyncScript.h"
#include "tests/support/SchemaPair.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <memory>

namespace vantor::test {

// Two schemas built in the test, the sync script between them, and its steps in order.
class SyncScriptFixture : public ::testing::Test, public SchemaPair {
protected:
    SyncScript script(Side target = Side::Secondary, const CompareOptions& options = {}) {
        diff = std::make_unique<Diff>(SchemaPair::compare(options));
        return BuildSyncScript(*diff, target);
    }

    // Each step as "kind name" in script order.
    static QStringList outline(const SyncScript& s) {
        static const char* kinds[] = {
            "drop-view",   "drop-relationship", "drop-index",          "drop-table",
            "alter",       "create-table",      "create-view",         "drop-query",
            "set-default", "create-index",      "create-relationship", "create-query"};
        QStringList out;
        for (const SyncStep& step : s.steps)
            out << QString::fromLatin1(kinds[static_cast<int>(step.kind)]) + " " + step.name;
        return out;
    }

    std::unique_ptr<Diff> diff;
};

} // namespace vantor::test
