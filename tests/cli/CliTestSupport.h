#pragma once

#include "tests/access/AccessTestFiles.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/SchemaPair.h"

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

// Each test gets its own folder for the snapshots and scripts it writes.
class CliTest : public ::testing::Test {
protected:
    QString Write(const QString& name, const Schema& schema);
    QString WriteText(const QString& name, const QByteArray& bytes) {
        return WriteFile(dir_, name, bytes);
    }
    QString Path(const QString& name) const { return dir_.filePath(name); }

    // A small shop database at two versions: a changed table, a table on each side only, a
    // changed view read by another view, names with blanks and non-ASCII letters, and a
    // relationship on a table that has to go.
    QString ShopV1();
    QString ShopV2();

private:
    QTemporaryDir dir_;
};

} // namespace vantor::test
