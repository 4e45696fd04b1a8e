#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QMap>
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

// What a Jackcess program printed when it succeeded; nothing when it failed or cannot run here,
// with its complaint in error when given.
std::optional<QByteArray> JackcessOutput(const QString& program, const QStringList& arguments,
                                         QString* error = nullptr);

// One user table's row count and digest as Jackcess reads them.
struct JackcessRows {
    qint64 rows = 0;
    QString sha256;
    bool operator==(const JackcessRows&) const = default;
};
// Every user table's rows by table name; nothing when Jackcess failed.
std::optional<QMap<QString, JackcessRows>> JackcessRowDigests(const QString& path);

// The schema as `SchemaDump --json` prints it; nothing when Jackcess failed.
std::optional<QJsonObject> JackcessSchema(const QString& path);

} // namespace vantor::test

// Skips the test, saying why, when Jackcess cannot run on this machine.
#define REQUIRE_JACKCESS()                                                                         \
    if (auto whyMissing = ::vantor::test::WhyJackcessMissing())                                    \
    GTEST_SKIP() << "skipped: " << whyMissing->toStdString()
