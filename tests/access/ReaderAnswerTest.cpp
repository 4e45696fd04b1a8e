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
    const QByteArray start = ReaderAnswerBytes(Schema{}).chopped(5); // the end tag and format
    QByteArray hugeCount = start + 'T';
    const char name[] = {1, 0, 0, 0, 'X', 0};
    hugeCount.append(name, sizeof name);
    hugeCount.append("\xff\xff\xff\x7f", 4);
    EXPECT_TRUE(refusal(hugeCount).contains("a count exceeds what follows it"));
    EXPECT_TRUE(refusal(start + 'Z').contains("an object of an unknown kind"));

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

    // A count larger than what has come so far is waited for, and refused once nothing more comes.
    const QByteArray start = ReaderAnswerBytes(Schema{}).chopped(5);
    QByteArray hugeCount = start + 'T';
    const char name[] = {1, 0, 0, 0, 'X', 0};
    hugeCount.append(name, sizeof name);
    hugeCount.append("\xff\xff\xff\x7f", 4);
    ReaderAnswerReader waiting;
    waiting.Add(hugeCount.constData(), hugeCount.size());
    EXPECT_TRUE(ErrorOf([&] { waiting.Finish(); }).description().contains("a count exceeds"));

    // An object that claims to be larger than any schema holds is refused rather than kept in
    // memory while the rest is awaited.
    ReaderAnswerReader endless;
    endless.Add(hugeCount.constData(), hugeCount.size());
    const QByteArray filler(1 << 20, 'x');
    const QString tooLarge = ErrorOf([&] {
                                 for (int i = 0; i < 64; ++i)
                                     endless.Add(filler.constData(), filler.size());
                             }).description();
    EXPECT_TRUE(tooLarge.contains("an object is larger than any schema holds"))
        << tooLarge.toStdString();

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
