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

// Type code of each type word the generator writes.
const QHash<QString, qint16>& typeWords() {
    static const QHash<QString, qint16> words = [] {
        QHash<QString, qint16> w;
        for (qint16 code : kTypes) {
            QString text = SqlDataType(code, 0, QString());
            text.remove(QLatin1Char(','));
            w.insert(text.trimmed(), code);
        }
        return w;
    }();
    return words;
}

struct Definition {
    QString name;
    qint16 type = 0;
    qint16 size = 0;
    bool nullable = true;
};

// The generator's names hold no brackets.
QString bracketedName(const QString& line) {
    const qsizetype open = line.indexOf('[');
    return line.mid(open + 1, line.indexOf(']', open) - open - 1);
}

// Reads "[name] TYPE[(n)] [NOT NULL | NULL] [,]" as a script writes it.
Definition parseDefinition(const QString& line) {
    Definition d;
    d.name = bracketedName(line);
    QString rest = line.mid(line.indexOf(']') + 1).trimmed();
    if (rest.endsWith(','))
        rest.chop(1);
    QStringList words = rest.split(' ', Qt::SkipEmptyParts);
    const QString type = words.takeFirst();
    if (type.startsWith("TEXT")) {
        d.type = 130;
        d.size = type.startsWith("TEXT(") ? type.mid(5, type.size() - 6).toShort() : 0;
    } else {
        EXPECT_TRUE(typeWords().contains(type)) << type.toStdString();
        d.type = typeWords().value(type);
    }
    d.nullable = words.join(' ') != "NOT NULL";
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
    const qint16 textSizes[] = {0, 10, 50, 255};
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
