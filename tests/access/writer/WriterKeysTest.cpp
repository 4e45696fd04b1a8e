// Index keys built from values: their byte order must be the order Access sorts the values in.
#include "engine/access/writer/IndexKey.h"
#include "engine/access/writer/PageFile.h"
#include "engine/access/writer/TextSortKey.h"
#include "model/Error.h"
#include "tests/access/AccessTestFiles.h"

#include <QtEndian>
#include <gtest/gtest.h>

namespace vantor {
namespace {

using namespace vantor::jet;

QByteArray textKey(const QString& text, GeneralSort sort, bool ascending = true) {
    QByteArray key;
    AppendTextKey(key, text, sort, ascending);
    return key;
}

TEST(WriterTextKeys, MatchKeysThatAccessStored) {
    // "Tables" in the catalog's ParentIdName index of testV2003.mdb, after the 7F flag.
    EXPECT_EQ(textKey("Tables", GeneralSort::Legacy).toHex(' '), "6d 4a 4c 5e 51 6b 01 00");
    // Access 2010's General order gives letters two bytes ("D" in testV2010.accdb).
    EXPECT_TRUE(textKey("D", GeneralSort::Since2010).startsWith(QByteArray("\x0e\x1a", 2)));
}

TEST(WriterTextKeys, CaseAndTrailingSpacesDoNotMakeKeysUnique) {
    for (GeneralSort sort : {GeneralSort::Legacy, GeneralSort::Since2010}) {
        EXPECT_EQ(textKey("Customers", sort), textKey("CUSTOMERS", sort));
        EXPECT_EQ(textKey("Customers", sort), textKey("Customers   ", sort));
        EXPECT_NE(textKey("Customers", sort), textKey("Customer", sort));
        EXPECT_NE(textKey("resume", sort), textKey(QString::fromUtf8("résumé"), sort));
    }
}

TEST(WriterTextKeys, KeysSortLikeWordsInBothDirections) {
    const QStringList ordered{"", "a", "Abc", "abd", "b", "Zebra", "zebras"};
    for (GeneralSort sort : {GeneralSort::Legacy, GeneralSort::Since2010}) {
        for (qsizetype i = 1; i < ordered.size(); ++i) {
            SCOPED_TRACE(ordered[i].toStdString());
            EXPECT_LT(textKey(ordered[i - 1], sort), textKey(ordered[i], sort));
            EXPECT_GT(textKey(ordered[i - 1], sort, false), textKey(ordered[i], sort, false));
        }
    }
}

TEST(WriterTextKeys, OnlyTheFirst255CharactersCount) {
    const QString base(255, QLatin1Char('q'));
    EXPECT_EQ(textKey(base + "a", GeneralSort::Since2010),
              textKey(base + "b", GeneralSort::Since2010));
    // Characters outside the basic plane are keyed through their surrogate pair.
    const QString emoji = QString::fromUtf8("\xf0\x9f\x98\x80");
    EXPECT_NE(textKey(emoji, GeneralSort::Since2010), textKey(QString(), GeneralSort::Since2010));
}

// A one-table definition with one column of the given type, and its index.
struct OneColumn {
    TableDef def;
    RealIndexDef index;

    OneColumn(quint8 type, quint16 length, bool ascending) {
        ColumnDef column;
        column.type = type;
        column.flags = 0x03;
        column.length = length;
        column.name = "value";
        def.columns.append(column);
        index.columns[0] = {0, static_cast<quint8>(ascending ? 1 : 0)};
    }
};

template <typename T> QByteArray littleEndian(T value) {
    QByteArray bytes(sizeof(T), '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

class WriterValueKeys : public ::testing::Test {
protected:
    void SetUp() override {
        const QString path = test::SharedAccessFile("testV2003.mdb");
        if (path.isEmpty())
            GTEST_SKIP() << "skipped: ../shared/testdata/access is absent";
        file_ = std::make_unique<PageFile>(path, 4096, false);
    }
    // Checks that the keys of the values, given in ascending order, ascend, and descend in a
    // descending index.
    void expectOrdered(quint8 type, quint16 length, const QList<QByteArray>& values,
                       KeyFormat format = {}, bool descendingToo = true) {
        for (bool ascending : {true, false}) {
            if (!ascending && !descendingToo)
                continue;
            OneColumn table(type, length, ascending);
            QByteArray previous;
            for (qsizetype i = 0; i < values.size(); ++i) {
                const QByteArray key =
                    EncodeIndexKey(*file_, table.def, table.index, {values[i]}, format);
                if (i > 0) {
                    if (ascending) {
                        EXPECT_LT(previous, key) << "value " << i;
                    } else {
                        EXPECT_GT(previous, key) << "value " << i;
                    }
                }
                previous = key;
            }
        }
    }
    std::unique_ptr<PageFile> file_;
};

TEST_F(WriterValueKeys, NumbersOfEveryWidthSortBySignedValue) {
    expectOrdered(TypeLong, 4,
                  {littleEndian<qint32>(INT32_MIN), littleEndian<qint32>(-1),
                   littleEndian<qint32>(0), littleEndian<qint32>(1),
                   littleEndian<qint32>(INT32_MAX)});
    expectOrdered(TypeInteger, 2,
                  {littleEndian<qint16>(-300), littleEndian<qint16>(-2), littleEndian<qint16>(7)});
    expectOrdered(
        TypeCurrency, 8,
        {littleEndian<qint64>(-50000), littleEndian<qint64>(0), littleEndian<qint64>(10000)});
    expectOrdered(TypeByte, 1, {QByteArray(1, '\0'), QByteArray(1, '\x7f'), QByteArray(1, '\xff')});
}

TEST_F(WriterValueKeys, FloatingPointAndDatesSortByValueAcrossZero) {
    expectOrdered(TypeDouble, 8,
                  {littleEndian(-1e300), littleEndian(-2.5), littleEndian(-0.0001),
                   littleEndian(0.0), littleEndian(0.5), littleEndian(3.0), littleEndian(1e300)});
    expectOrdered(
        TypeSingle, 4,
        {littleEndian(-3.5f), littleEndian(-1.0f), littleEndian(2.0f), littleEndian(9.0f)});
}

TEST_F(WriterValueKeys, DecimalsSortBySignedValueInBothEncodings) {
    auto decimal = [](bool negative, quint32 low) {
        QByteArray bytes(1, negative ? '\x80' : '\0');
        bytes.append(QByteArray(12, '\0'));
        bytes.append(littleEndian(low));
        return bytes;
    };
    const QList<QByteArray> values{decimal(true, 1000), decimal(true, 2), decimal(false, 0),
                                   decimal(false, 3), decimal(false, 70000)};
    expectOrdered(TypeNumeric, 17, values, KeyFormat{false});
    // Jet 4 sorted negative decimals wrongly in descending indexes; ACE corrected it.
    expectOrdered(TypeNumeric, 17, values, KeyFormat{true}, false);
    expectOrdered(TypeNumeric, 17, {decimal(true, 1000), decimal(true, 2)}, KeyFormat{true});
    expectOrdered(TypeNumeric, 17, {decimal(false, 0), decimal(false, 3)}, KeyFormat{true});
}

TEST_F(WriterValueKeys, NullsComeFirstAscendingAndLastDescending) {
    for (bool ascending : {true, false}) {
        OneColumn table(TypeLong, 4, ascending);
        const QByteArray null = EncodeIndexKey(*file_, table.def, table.index, {std::nullopt}, {});
        const QByteArray lowest =
            EncodeIndexKey(*file_, table.def, table.index, {littleEndian<qint32>(INT32_MIN)}, {});
        EXPECT_EQ(null < lowest, ascending);
        EXPECT_TRUE(AllKeyColumnsNull(table.def, table.index, {std::nullopt}));
    }
}

TEST_F(WriterValueKeys, BinaryKeysKeepLengthOrderAndColumnsWithoutKeysAreRefused) {
    expectOrdered(
        TypeBinary, 255,
        {QByteArray(1, '\0'), QByteArray(8, '\x05'), QByteArray(9, '\x05'), QByteArray(3, '\x06')});
    OneColumn ole(TypeOle, 0, true);
    EXPECT_FALSE(CanEncodeKeyColumn(ole.def.columns[0]));
    EXPECT_THROW(EncodeIndexKey(*file_, ole.def, ole.index, {QByteArray(12, '\0')}, {}), Error);
    OneColumn swedish(TypeText, 100, true);
    swedish.def.columns[0].typeInfo = {0x1d, 0x04, 0, 1};
    EXPECT_FALSE(CanEncodeKeyColumn(swedish.def.columns[0]));
}

} // namespace
} // namespace vantor
