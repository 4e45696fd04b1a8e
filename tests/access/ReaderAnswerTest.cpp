// The reader's answer as the parent takes it back: every field survives, and an answer that is
// cut short, damaged or ambiguous is refused whole rather than used in part.
#include "engine/access/ReaderAnswer.h"
#include "engine/SnapshotJson.h"
#include "model/Error.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/ErrorOf.h"
#include "tests/support/QtPrinters.h"

#include <QTemporaryDir>
#include <algorithm>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <initializer_list>
#include <unistd.h>

using namespace vantor;
using namespace vantor::test;

namespace {

Schema readBack(const QByteArray& answer) {
    return ReadReaderAnswer(answer.constData(), answer.size());
}

Column column(const QString& name, qint32 dataType, std::optional<qint32> maxLength) {
    Column c;
    c.name = name;
    c.dataType = dataType;
    c.maxLength = maxLength;
    return c;
}

QString refusal(const QByteArray& answer) {
    return ErrorOf([&] { readBack(answer); }).description();
}

// The answer handed over in pieces of the given sizes, the last one repeated to the end, as the
// parent reads it while the reader still writes.
Schema readInPieces(const QByteArray& answer, std::initializer_list<qsizetype> sizes) {
    ReaderAnswerReader reader;
    qsizetype at = 0;
    auto size = sizes.begin();
    while (at < answer.size()) {
        const qsizetype piece = std::min(*size, answer.size() - at);
        reader.Add(answer.constData() + at, piece);
        at += piece;
        if (std::next(size) != sizes.end())
            ++size;
    }
    return reader.Finish();
}

// The start of an answer with nothing in it yet, for objects made by hand to follow.
QByteArray emptyStart() {
    return ReaderAnswerBytes(Schema{}).chopped(9); // the end object: tag, length, empty format
}

// An object as the reader writes one: its tag, the length of its values, its values.
QByteArray object(char tag, const QByteArray& values) {
    const auto length = static_cast<quint32>(values.size());
    QByteArray bytes(1, tag);
    bytes.append(reinterpret_cast<const char*>(&length), 4);
    return bytes + values;
}

// A table's values up to its count of columns, which claims far more than follow.
QByteArray hugeColumnCount() {
    const char name[] = {1, 0, 0, 0, 'X', 0};
    return QByteArray(name, sizeof name) + QByteArray("\xff\xff\xff\x7f", 4);
}

QString snapshotOf(const Schema& schema) {
    return QString::fromUtf8(WriteSnapshotJson(schema));
}

// Every field away from its default, texts that are present but empty, and names beyond ASCII.
Schema everyField() {
    Schema s;
    s.sourceFormat = "ACE12";
    Column plain = column("Größe", 202, 50);
    plain.nullable = false;
    plain.ordinal = 3;
    plain.defaultValue = QString("\"n/a\"");
    plain.allowZeroLength = true;
    plain.description = "Größe in 😀";
    plain.required = true;
    plain.validationRule = QString();
    plain.validationText = QString("Zu groß");
    plain.caption = QString("Size");
    plain.format = QString(">");
    plain.inputMask = QString("LLL");
    Column money = column("Price", 131, std::nullopt);
    money.precision = 18;
    money.scale = 4;
    money.decimalPlaces = 2;
    money.autoNumber = true;
    money.ordinal = -1;
    Column tags = column("Tags", 13, std::nullopt);
    tags.valueType = 202;
    tags.valueMaxLength = 40;
    Table t{"Bestellungen", ObjectKind::Table, {plain, money, tags}, {}};
    t.indexes = {{"PrimaryKey", {{"Price", false}, {"Größe", true}}, true, true, true, true},
                 {"Empty", {}, false, false, false, false}};
    t.description = "Orders";
    t.validationRule = QString("[Price] > 0");
    t.validationText = QString();
    s.tables.append(t);
    Table link{"Remote", ObjectKind::Link, {}, {}};
    link.linkedDatabase = "C:\\data\\other.mdb";
    link.connect = ";DATABASE=C:\\data\\other.mdb";
    link.foreignName = "Customers";
    s.tables.append(link);
    s.tables.append({"MSysObjects", ObjectKind::SystemTable, {}, {}});
    s.tables.append({"Odbc", ObjectKind::PassThrough, {}, {}});
    s.views.append({"Cheap", "SELECT * FROM Bestellungen WHERE Price < 5;", true});
    s.views.append({"All", "", false});
    Query q{"Raise", QueryKind::Update, "UPDATE Bestellungen SET Price = Price * [f];"};
    q.parameters = {{"f", "Double"}, {"when", "DateTime"}};
    q.hidden = true;
    s.queries.append(q);
    Query pass{"Remote count", QueryKind::PassThrough, "SELECT COUNT(*) FROM t"};
    pass.connect = "ODBC;DSN=x";
    s.queries.append(pass);
    s.relationships.append({"OrdersTags",
                            "Bestellungen",
                            "Remote",
                            {{"Tags", "Id"}, {"Größe", "Size"}},
                            true,
                            true,
                            false,
                            true,
                            false});
    s.relationships.append(
        {"Loose", "Remote", "Bestellungen", {}, false, false, true, false, true});
    return s;
}

// An answer whose objects are numerous enough to be written in several pieces.
Schema manyTables(int count) {
    Schema s;
    s.sourceFormat = "JET4";
    for (int i = 0; i < count; ++i) {
        Table t{QStringLiteral("Table %1").arg(i), ObjectKind::Table, {}, {}};
        for (int c = 0; c < 21; ++c)
            t.columns.append(column(QStringLiteral("Field%1").arg(c), 202, 255));
        t.indexes.append({"PrimaryKey", {{"Field0", false}}, true, true});
        s.tables.append(t);
    }
    return s;
}

} // namespace

// The answer's text in snapshot form is the same before and after, so no field is dropped,
// swapped with a neighbour or turned from empty into absent on the way.
TEST(ReaderAnswer, EveryFieldComesBackAsItWasSent) {
    const Schema sent = everyField();
    const Schema back = readBack(ReaderAnswerBytes(sent));
    EXPECT_EQ(QString::fromUtf8(WriteSnapshotJson(back)),
              QString::fromUtf8(WriteSnapshotJson(sent)));
    ASSERT_EQ(back.tables.size(), 4);
    EXPECT_TRUE(back.tables[0].columns[0].validationRule.has_value());
    EXPECT_FALSE(back.tables[0].columns[1].validationRule.has_value());
    EXPECT_EQ(back.tables[0].columns[1].ordinal, -1);

    const Schema empty = readBack(ReaderAnswerBytes(Schema{}));
    EXPECT_TRUE(empty.tables.isEmpty() && empty.views.isEmpty() && empty.queries.isEmpty());
    EXPECT_TRUE(empty.sourceFormat.isEmpty());
}

// A password in a connect string is dropped on the way in, whoever wrote the answer.
TEST(ReaderAnswer, PasswordsInConnectStringsAreNeverKept) {
    Schema s;
    Table link{"Remote", ObjectKind::Link, {}, {}};
    link.connect = "ODBC;DSN=x;PWD=secret";
    link.linkedDatabase = "ODBC;UID=a;PASSWORD=hunter2";
    s.tables.append(link);
    Query pass{"Remote count", QueryKind::PassThrough, "SELECT 1"};
    pass.connect = "ODBC;DSN=x;PWD=s3cr3t";
    s.queries.append(pass);
    const QString json = QString::fromUtf8(WriteSnapshotJson(readBack(ReaderAnswerBytes(s))));
    EXPECT_FALSE(json.contains("secret") || json.contains("hunter2") || json.contains("s3cr3t"))
        << json.toStdString();
    EXPECT_TRUE(json.contains("PWD=***")) << json.toStdString();
}

// Written to a descriptor, the answer goes out in pieces as it grows and arrives whole.
TEST(ReaderAnswer, AnAnswerWrittenInPiecesArrivesWhole) {
    const Schema sent = manyTables(400);
    QTemporaryDir dir;
    const QString path = dir.filePath("answer");
    const int fd = open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ReaderAnswerWriter writer(fd);
    writer.Begin();
    for (const Table& t : sent.tables) {
        writer.Add(t);
        // Nothing waits in memory beyond one piece.
        EXPECT_LT(writer.Bytes().size(), 128 * 1024);
    }
    EXPECT_TRUE(writer.Finish(sent.sourceFormat));
    close(fd);
    const QByteArray written = FileBytes(path);
    EXPECT_GT(written.size(), 128 * 1024);
    EXPECT_EQ(written, ReaderAnswerBytes(sent));
    const Schema back = readBack(written);
    ASSERT_EQ(back.tables.size(), 400);
    EXPECT_EQ(back.tables[399].name, "Table 399");
    EXPECT_EQ(back.sourceFormat, "JET4");

    // A descriptor that refuses the answer is reported, not taken for a written answer.
    const int readOnly = open("/dev/null", O_RDONLY);
    ASSERT_GE(readOnly, 0);
    ReaderAnswerWriter refused(readOnly);
    refused.Begin();
    for (const Table& t : sent.tables)
        refused.Add(t);
    EXPECT_FALSE(refused.Finish(sent.sourceFormat));
    close(readOnly);
}

// Whatever byte of an answer is damaged, reading it in pieces of any size comes to what reading
// it whole does: the same schema or the same refusal, never a crash or a wait taken for a fault.
TEST(ReaderAnswer, ADamagedByteReadsTheSameInPiecesAsWhole) {
    const QByteArray whole = ReaderAnswerBytes(everyField());
    const auto outcome = [](const QByteArray& answer, qsizetype size) {
        QString schema;
        const QString refusal =
            ErrorOf([&] {
                schema = snapshotOf(size > 0 ? readInPieces(answer, {size}) : readBack(answer));
            }).description();
        return schema.isEmpty() ? refusal : schema;
    };
    for (qsizetype at = 0; at < whole.size(); ++at)
        for (const char value : {'\0', '\x7f', '\xff'}) {
            QByteArray damaged = whole;
            if (damaged[at] == value)
                continue;
            damaged[at] = value;
            const QString expected = outcome(damaged, 0);
            for (const qsizetype size : {1, 6, 64})
                ASSERT_EQ(outcome(damaged, size), expected)
                    << "byte " << at << " made " << int(value) << ", pieces of " << size;
        }
}

// A reader that died or was stopped mid-answer leaves a prefix; no prefix passes for a schema.
TEST(ReaderAnswer, AnAnswerCutAnywhereIsRefused) {
    const QByteArray whole = ReaderAnswerBytes(everyField());
    for (qsizetype size = 0; size < whole.size(); ++size)
        EXPECT_TRUE(refusal(whole.left(size)).contains("The reader's answer is not valid"))
            << "cut at " << size << " of " << whole.size();
    EXPECT_TRUE(refusal(whole + "T").contains("something follows its end"));
    EXPECT_TRUE(refusal("{\"format\": \"vantor-schema-snapshot\"}").contains("does not start"));
}

// A damaged answer is refused with the reason, and a count it gives never makes the parent
// reserve memory the answer could not fill.
TEST(ReaderAnswer, ADamagedAnswerIsRefusedWithItsReason) {
    const QByteArray start = emptyStart();
    EXPECT_TRUE(refusal(start + object('T', hugeColumnCount())).contains("a count exceeds"));
    EXPECT_TRUE(refusal(start + 'Z').contains("an object of an unknown kind"));
    // An object's length and its values must agree, whichever is longer.
    const QByteArray view = object('V', QByteArray("\1\0\0\0V\1\0\0\0X\0", 11));
    EXPECT_EQ(refusal(start + view + object('E', QByteArray(4, '\0'))), "no error was raised");
    EXPECT_TRUE(refusal(start + object('V', view.mid(5) + 'x')).contains("more than its values"));
    EXPECT_TRUE(refusal(start + object('V', view.mid(5).chopped(1))).contains("middle of a value"));

    Schema viewAsTable;
    viewAsTable.tables.append({"V", ObjectKind::View, {}, {}});
    EXPECT_TRUE(refusal(ReaderAnswerBytes(viewAsTable)).contains("not a table's"));
    Schema indexAsTable;
    indexAsTable.tables.append({"I", ObjectKind::Index, {}, {}});
    EXPECT_TRUE(refusal(ReaderAnswerBytes(indexAsTable)).contains("not a table's"));

    Schema unknownQuery;
    unknownQuery.queries.append({"Q", static_cast<QueryKind>(42), "SELECT 1"});
    EXPECT_TRUE(refusal(ReaderAnswerBytes(unknownQuery)).contains("unknown kind"));

    Schema valueTypeOnText;
    Column text = column("Name", 202, 50);
    text.valueType = 202;
    valueTypeOnText.tables.append({"T", ObjectKind::Table, {text}, {}});
    EXPECT_TRUE(refusal(ReaderAnswerBytes(valueTypeOnText)).contains("multi-value columns only"));
}

// Tables, views and queries share one set of names in any letter case; two objects of one name
// would stand in for each other in every comparison.
TEST(ReaderAnswer, TwoObjectsOfOneNameAreRefused) {
    const auto twice = [](auto add) {
        Schema s;
        s.tables.append({"Straße", ObjectKind::Table, {}, {}});
        add(s);
        return refusal(ReaderAnswerBytes(s));
    };
    EXPECT_TRUE(twice([](Schema& s) {
                    s.tables.append({"STRASSE", ObjectKind::Table, {}, {}});
                }).contains("two objects have the same name"));
    EXPECT_TRUE(twice([](Schema& s) {
                    s.views.append(View{"straße", "SELECT 1"});
                }).contains("two objects have the same name"));
    EXPECT_TRUE(twice([](Schema& s) {
                    s.queries.append({"Straße", QueryKind::Delete, "DELETE FROM x"});
                }).contains("two objects have the same name"));
    // Relationships and indexes have names of their own.
    EXPECT_EQ(twice([](Schema& s) {
                  s.relationships.append({"Straße", "Straße", "Straße", {}});
              }),
              "no error was raised");
}

// Tables handed out as they arrive are the ones the whole answer holds, in its order, and still
// count for names taken twice.
TEST(ReaderAnswer, TablesHandedOutAreWholeAndTheirNamesStillCount) {
    Schema sent = manyTables(300);
    sent.tables.insert(7, everyField().tables.first());
    sent.views.append(View{"A view", "SELECT 1"});
    sent.relationships.append({"R", "Table 1", "Table 2", {{"Field0", "Field0"}}});
    const QByteArray answer = ReaderAnswerBytes(sent);
    for (const qsizetype size : {qsizetype(7), qsizetype(4096), answer.size()}) {
        Schema handedOut;
        ReaderAnswerReader reader;
        reader.HandTablesTo([&handedOut](Table&& t) { handedOut.tables.append(std::move(t)); });
        for (qsizetype at = 0; at < answer.size(); at += size)
            reader.Add(answer.constData() + at, std::min(size, answer.size() - at));
        Schema rest = reader.Finish();
        EXPECT_TRUE(rest.tables.isEmpty());
        rest.tables = handedOut.tables;
        EXPECT_EQ(snapshotOf(rest), snapshotOf(readBack(answer))) << "pieces of " << size;
    }

    Schema twice = manyTables(3);
    twice.queries.append({"table 2", QueryKind::Select, "SELECT 1"});
    ReaderAnswerReader reader;
    reader.HandTablesTo([](Table&&) {});
    const QByteArray bytes = ReaderAnswerBytes(twice);
    reader.Add(bytes.constData(), bytes.size());
    EXPECT_TRUE(ErrorOf([&] { reader.Finish(); }).description().contains("the same name"));
}

// The parent reads the answer while the reader writes it, so any piece may end anywhere, even
// inside a number or a name; whatever the cuts, the schema is the one the whole answer gives.
TEST(ReaderAnswer, AnAnswerReadInPiecesGivesTheWholeSchema) {
    const QByteArray whole = ReaderAnswerBytes(everyField());
    const QString expected = snapshotOf(readBack(whole));
    for (qsizetype cut = 0; cut <= whole.size(); ++cut)
        EXPECT_EQ(snapshotOf(readInPieces(whole, {cut, whole.size()})), expected) << "cut " << cut;
    for (qsizetype size : {1, 2, 3, 7, 64})
        EXPECT_EQ(snapshotOf(readInPieces(whole, {size})), expected) << "pieces of " << size;

    // Many objects in uneven pieces, names shared from table to table included.
    const QByteArray many = ReaderAnswerBytes(manyTables(300));
    const Schema back = readInPieces(many, {5, 70000, 13, 4096, 65536});
    ASSERT_EQ(back.tables.size(), 300);
    EXPECT_EQ(snapshotOf(back), snapshotOf(readBack(many)));
}

// Reading in pieces refuses what reading whole refuses, with the same reasons: a fault is not
// forgotten because it came in a later piece, and waiting for the rest is never taken for it.
TEST(ReaderAnswer, AnAnswerReadInPiecesIsRefusedAsTheWholeIs) {
    const auto refusalInPieces = [](const QByteArray& answer, qsizetype size) {
        return ErrorOf([&] { readInPieces(answer, {size}); }).description();
    };
    const QByteArray whole = ReaderAnswerBytes(everyField());
    for (qsizetype size : {1, 5, 1000}) {
        EXPECT_TRUE(refusalInPieces(whole.chopped(3), size).contains("in the middle of a value"))
            << size;
        EXPECT_TRUE(refusalInPieces(whole + "T", size).contains("something follows its end"))
            << size;
        EXPECT_TRUE(refusalInPieces("vantor-reader-answer-0\n", size).contains("does not start"))
            << size;
        EXPECT_TRUE(refusalInPieces("", size).contains("does not start")) << size;
    }

    // An object whose length runs past what has come so far is waited for, and refused once
    // nothing more comes.
    const QByteArray start = emptyStart();
    const QByteArray cut = start + object('T', hugeColumnCount()).chopped(1);
    ReaderAnswerReader waiting;
    waiting.Add(cut.constData(), cut.size());
    EXPECT_TRUE(ErrorOf([&] { waiting.Finish(); }).description().contains("middle of a value"));

    // An object that claims to be larger than any schema holds is refused as soon as it says so,
    // rather than kept in memory while the rest is awaited.
    for (const qsizetype size : {1, 3, 5, 64}) {
        const QByteArray endless = start + 'T' + QByteArray("\0\0\0\x7f", 4) + 'x';
        ReaderAnswerReader reader;
        const QString tooLarge =
            ErrorOf([&] {
                for (qsizetype at = 0; at < endless.size(); at += size)
                    reader.Add(endless.constData() + at, std::min(size, endless.size() - at));
            }).description();
        EXPECT_TRUE(tooLarge.contains("an object is larger than any schema holds"))
            << tooLarge.toStdString();
    }

    // A fault the reader can already see is raised on arrival, not after the rest.
    ReaderAnswerReader early;
    const QByteArray unknown = start + 'Z';
    EXPECT_TRUE(ErrorOf([&] { early.Add(unknown.constData(), unknown.size()); })
                    .description()
                    .contains("an object of an unknown kind"));

    // Names taken twice are refused however far apart their objects arrive.
    Schema twice = manyTables(200);
    twice.tables.append({"TABLE 3", ObjectKind::Table, {}, {}});
    EXPECT_TRUE(refusalInPieces(ReaderAnswerBytes(twice), 4096).contains("the same name"));
}
