#include "model/KeyedCollection.h"
#include "script/AlterScript.h"
#include "script/SqlDataType.h"
#include "tests/script/TableBuilder.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QHash>
#include <algorithm>
#include <random>

using namespace vantor;
using namespace vantor::test;

namespace {

const qint16 kTypes[] = {2, 3, 4, 5, 6, 7, 11, 17, 72, 128, 131, 200, 202, 130, 130, 130};
const char* const kNames[] = {"Alpha", "beta", "Gamma", "delta", "Eps", "zeta", "Eta", "theta"};

struct Definition {
    QString name;
    qint16 type = 0;
    qint16 size = 0;
    bool nullable = true;
};

// Type code and text length of each type text the generator's columns are written with.
const QHash<QString, std::pair<qint16, qint16>>& typeTexts() {
    static const QHash<QString, std::pair<qint16, qint16>> texts = [] {
        QHash<QString, std::pair<qint16, qint16>> t;
        for (qint16 code : kTypes)
            for (qint16 size : {0, 10, 50, 255})
                t.insert(SqlDataType(code, size, QString()).remove(QLatin1Char(',')).trimmed(),
                         {code, code == 130 ? size : qint16(0)});
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
Definition parseDefinition(const QString& line) {
    Definition d;
    d.name = bracketedName(line);
    QString type = line.mid(line.indexOf(']') + 1).trimmed();
    if (type.endsWith(','))
        type.chop(1);
    type = type.trimmed();
    d.nullable = !type.endsWith("NOT NULL");
    if (type.endsWith("NULL"))
        type = type.chopped(d.nullable ? 4 : 8).trimmed();
    EXPECT_TRUE(typeTexts().contains(type)) << type.toStdString();
    std::tie(d.type, d.size) = typeTexts().value(type);
    return d;
}

// Carries out one batch of an ALTER TABLE script on a model of the table.
void applyBatch(const QStringList& batch, clsFields& columns) {
    QStringList lines;
    for (const QString& l : batch)
        if (!l.trimmed().isEmpty())
            lines << l;
    if (lines.isEmpty())
        return;
    ASSERT_GE(lines.size(), 3);
    ASSERT_TRUE(lines[0].startsWith("ALTER TABLE ["));
    const QString verb = lines[1].trimmed();
    for (const QString& item : lines.mid(2)) {
        if (verb == "DROP COLUMN") {
            columns.Remove(bracketedName(item));
            continue;
        }
        const Definition d = parseDefinition(item);
        if (verb == "ADD") {
            columns.Add(d.name, d.type, d.size, false, d.nullable, false, false, 0, 0, d.name);
        } else {
            ASSERT_EQ(verb, "ALTER COLUMN");
            auto c = columns.Item(d.name);
            ASSERT_NE(c, nullptr);
            c->FieldType(d.type);
            c->FieldSize(d.size);
            c->IsNullable(d.nullable);
        }
    }
}

void applyScript(const QString& script, clsFields& columns) {
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

std::shared_ptr<clsObject> copyOf(const clsObject& table) {
    TableBuilder b(table.Obj_Name());
    for (const auto& c : *table.Fields())
        b.Column(c->FieldName(), c->FieldType(), c->FieldSize(), c->IsNullable());
    return b;
}

QString createInNameOrder(const clsObject& table) {
    auto columns = table.Fields()->NewEnum();
    std::sort(columns.begin(), columns.end(), [](const auto& a, const auto& b) {
        return FoldKey(a->FieldName()) < FoldKey(b->FieldName());
    });
    TableBuilder b(table.Obj_Name());
    for (const auto& c : columns)
        b.Column(c->FieldName(), c->FieldType(), c->FieldSize(), c->IsNullable());
    return b.Build()->SqlCreate();
}

std::shared_ptr<clsObject> randomTable(std::mt19937& rng) {
    std::bernoulli_distribution present(0.6), nullable(0.5);
    std::uniform_int_distribution<size_t> type(0, std::size(kTypes) - 1);
    const qint16 textSizes[] = {0, 10, 50, 255}; // as typeTexts() knows them
    std::uniform_int_distribution<size_t> size(0, std::size(textSizes) - 1);
    std::vector<const char*> names(std::begin(kNames), std::end(kNames));
    std::shuffle(names.begin(), names.end(), rng);
    TableBuilder b("T");
    for (const char* name : names)
        if (present(rng))
            b.Column(name, kTypes[type(rng)], textSizes[size(rng)], nullable(rng));
    return b;
}

} // namespace

TEST(AlterScriptProperty, RunningTheScriptMakesTheTargetDefineTheSameTable) {
    std::mt19937 rng(20240611);
    for (int round = 0; round < 1500; ++round) {
        auto source = randomTable(rng);
        auto target = randomTable(rng);
        const QString script = AlterTableScript(source.get(), target.get(), "T");
        SCOPED_TRACE(script.toStdString());

        auto altered = copyOf(*target);
        applyScript(script, *altered->Fields());
        if (HasFatalFailure())
            return;
        ASSERT_EQ(createInNameOrder(*altered), createInNameOrder(*source));
    }
}
