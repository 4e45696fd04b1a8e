#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace vantor::test {

// Runs the independent Jackcess reader (../shared/tools/jackcess) on Access files, a second
// opinion that shares no code with libmdb.

// Why Jackcess cannot run here (its folder or Java is missing), or nothing when it can.
std::optional<QString> WhyNoJackcess();

// What a Jackcess program printed on standard output; nothing when it failed, with its
// complaint in error when given.
std::optional<QByteArray> RunJackcess(const QString& program, const QStringList& arguments,
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
