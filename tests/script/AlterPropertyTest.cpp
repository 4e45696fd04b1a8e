#include "engine/SqlDataType.h"
#include "engine/SqlText.h"
#include "script/AlterScript.h"
#include "tests/support/SchemaPair.h"

#include <gtest/gtest.h>

#include <QHash>
#include <algorithm>
#include <random>

using namespace vantor;
using namespace vantor::test;

namespace {

const qint16 kTypes[] = {2, 3, 4, 5, 6, 7, 11, 17, 72, 128, 131, 200, 202, 130, 130, 130};
const char* const kNames[] = {"Alpha", "beta", "Gamma", "delta", "Eps", "zeta", "Eta", "theta"};

// Type code and text length of each type text the generator's columns are written with.
const QHash<QString, std::pair<qint16, qint16>>& typeTexts() {
    static const QHash<QString, std::pair<qint16, qint16>> texts = [] {
        QHash<QString, std::pair<qint16, qint16>> t;
        for (qint16 code : kTypes)
            for (qint16 size : {0, 10, 50, 255})
                t.insert(SqlDataType(code, size, QString()).remove(QLatin1Char(',')).trimmed(),
                         {code, code == 130 || code == 128 ? size : qint16(0)});
        return t;
    }();
    return texts;
}

// The generator's names hold no brackets.
QString bracketedName(const QString& line) {
    const qsizetype open = line.indexOf('[');
    return line.mid(open + 1, line.indexOf(']', open) - open - 1);
}

// Reads "[name] TYPE[(n)] [NOT NULL | NULL] [,]" as a script writes it.
Column parseDefinition(const QString& line) {
    Column d;
    d.name = bracketedName(line);
    QString type = line.mid(line.indexOf(']') + 1).trimmed();
    if (type.endsWith(','))
        type.chop(1);
    type = type.trimmed();
    d.nullable = !type.endsWith("NOT NULL");
    if (type.endsWith("NULL"))
        type = type.chopped(d.nullable ? 4 : 8).trimmed();
    EXPECT_TRUE(typeTexts().contains(type)) << type.toStdString();
    std::tie(d.dataType, d.maxLength) = typeTexts().value(type);
    return d;
}

// Carries out one batch of an ALTER TABLE script on a model of the table.
Column* columnNamed(QList<Column>& columns, const QString& name) {
    for (Column& c : columns)
        if (FoldKey(c.name) == FoldKey(name))
            return &c;
    return nullptr;
}

void applyBatch(const QStringList& batch, QList<Column>& columns) {
    QStringList lines;
    for (const QString& l : batch)
        if (!l.trimmed().isEmpty() && !l.startsWith("--"))
            lines << l;
    if (lines.isEmpty())
        return;
    ASSERT_GE(lines.size(), 3);
    ASSERT_TRUE(lines[0].startsWith("ALTER TABLE ["));
    const QString verb = lines[1].trimmed();
    for (const QString& item : lines.mid(2)) {
        if (verb == "DROP COLUMN") {
            Column* gone = columnNamed(columns, bracketedName(item));
            ASSERT_NE(gone, nullptr);
            columns.removeAt(gone - columns.data());
            continue;
        }
        const Column d = parseDefinition(item);
        if (verb == "ADD") {
            ASSERT_EQ(columnNamed(columns, d.name), nullptr);
            columns.append(d);
        } else {
            ASSERT_EQ(verb, "ALTER COLUMN");
            Column* c = columnNamed(columns, d.name);
            ASSERT_NE(c, nullptr);
            c->dataType = d.dataType;
            c->maxLength = d.maxLength;
            c->nullable = d.nullable;
        }
    }
}

void applyScript(const QString& script, QList<Column>& columns) {
    QStringList batch;
    for (const QString& line : script.split("\r\n")) {
        if (line == "GO") {
            applyBatch(batch, columns);
            batch.clear();
        } else {
            batch << line;
        }
    }
    applyBatch(batch, columns);
}

Table randomTable(std::mt19937& rng) {
    std::bernoulli_distribution present(0.6), nullable(0.5);
    std::uniform_int_distribution<size_t> type(0, std::size(kTypes) - 1);
    const qint16 textSizes[] = {0, 10, 50, 255}; // as typeTexts() knows them, binary ones too
    std::uniform_int_distribution<size_t> size(0, std::size(textSizes) - 1);
    std::vector<const char*> names(std::begin(kNames), std::end(kNames));
    std::shuffle(names.begin(), names.end(), rng);
    Schema schema;
    TableBuilder b = SchemaPair::addTable(schema, "T");
    for (const char* name : names)
        if (present(rng))
            b.Column(name, kTypes[type(rng)], textSizes[size(rng)], nullable(rng));
    return schema.tables[0];
}

} // namespace

TEST(AlterScriptProperty, RunningTheScriptMakesTheTargetDefineTheSameTable) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 1500; ++round) {
        const Table source = randomTable(rng);
        const Table target = randomTable(rng);
        const QString script = AlterTableScript(&source, &target, "T");
        SCOPED_TRACE(script.toStdString());

        Table altered = target;
        applyScript(script, altered.columns);
        if (HasFatalFailure())
            return;
        ASSERT_EQ(CreateTableText(altered), CreateTableText(source));
    }
}
