#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace vantor::test {

// What one of the Jackcess programs of ../shared/tools/jackcess printed, and how it ended.
struct JackcessResult {
    int exitCode = -1;
    QString output; // standard output
    QString errors; // standard error
};

// Why Jackcess cannot run here (no Java, no tools folder), or nothing when it can.
std::optional<QString> WhyJackcessMissing();

// Runs `run PROGRAM ARGS...` from the tools folder and waits for it.
JackcessResult RunJackcess(const QString& program, const QStringList& arguments);

} // namespace vantor::test

// Skips the test, saying why, when Jackcess cannot run on this machine.
#define REQUIRE_JACKCESS()                                                                         \
    if (auto whyMissing = ::vantor::test::WhyJackcessMissing())                                    \
    GTEST_SKIP() << "skipped: " << whyMissing->toStdString()
