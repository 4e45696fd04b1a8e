#pragma once

#include "engine/DbSchema.h"
#include "tests/support/QtPrinters.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vantor::test {

// What one run of the built vantor-cli gave back.
struct CliOutcome {
    int code = -1;
    QString out;
    QString err;
    QString All() const { return out + err; }
};

CliOutcome RunCli(const QStringList& args, const QByteArray& input = QByteArray());

// A column as the snapshot back end keeps it; len is the text length, 0 for none.
SchemaColumn Col(const QString& name, qint32 type, qint32 len = 0, bool nullable = true);
SchemaTable Table(const QString& name, QList<SchemaColumn> columns,
                  const QString& type = QStringLiteral("TABLE"));

// Each test gets its own folder for the snapshots and scripts it writes.
class CliTest : public ::testing::Test {
protected:
    QString Write(const QString& name, const DbSchema& schema);
    QString WriteText(const QString& name, const QByteArray& bytes);
    QString Path(const QString& name) const { return dir_.filePath(name); }
    static QByteArray ReadBytes(const QString& path);

    // A small shop database at two versions: a changed table, a table on each side only, a
    // changed view read by another view, names with blanks and non-ASCII letters, and a
    // relationship on a table that has to go.
    QString ShopV1();
    QString ShopV2();

    // The real Access file of that name, or an empty string (and the test skips) without it.
    static QString AccessFile(const QString& name);

private:
    QTemporaryDir dir_;
};

} // namespace vantor::test
