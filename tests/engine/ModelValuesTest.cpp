// Values of the schema model: a column's optional texts, where a property set to an empty text
// is not one left unset and a copy of a column owns its texts, and the folded names that every
// match by name goes through.
#include "model/Kinds.h"
#include "model/Schema.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;

TEST(OptionalText, AnEmptyTextIsSetAndApartFromNone) {
    Column unset;
    Column empty;
    empty.caption = QString();
    EXPECT_FALSE(unset.caption);
    EXPECT_TRUE(empty.caption);
    EXPECT_EQ(*empty.caption, QString());
    EXPECT_FALSE(unset.caption == empty.caption);
    EXPECT_TRUE(unset.caption == std::nullopt);
    EXPECT_FALSE(empty.caption == std::nullopt);
    EXPECT_EQ(unset.caption.value_or("none"), "none");
    EXPECT_EQ(empty.caption.value_or("none"), "");

    // Through std::optional and back, as snapshots and scripts hand the texts over.
    const std::optional<QString> asOptional = empty.caption;
    ASSERT_TRUE(asOptional);
    EXPECT_TRUE(asOptional->isEmpty());
    EXPECT_FALSE(std::optional<QString>(unset.caption));
    EXPECT_TRUE(empty.caption == asOptional);
    EXPECT_TRUE(asOptional == empty.caption);
    EXPECT_FALSE(unset.caption == asOptional);
    empty.caption = std::optional<QString>();
    EXPECT_FALSE(empty.caption);
    empty.caption = std::optional<QString>(QStringLiteral("Größe"));
    EXPECT_TRUE(empty.caption == QStringLiteral("Größe"));
    empty.caption.reset();
    EXPECT_FALSE(empty.caption.has_value());
}

TEST(OptionalText, ACopiedColumnOwnsItsTexts) {
    Column original;
    original.defaultValue = QStringLiteral("0");
    original.inputMask = QStringLiteral("LLL");
    Column copy = original;
    *copy.defaultValue += QStringLiteral("1");
    copy.inputMask.reset();
    copy.validationRule = QStringLiteral(">0");
    EXPECT_EQ(*original.defaultValue, "0");
    EXPECT_EQ(*original.inputMask, "LLL");
    EXPECT_FALSE(original.validationRule);
    EXPECT_EQ(*copy.defaultValue, "01");

    original = copy;
    EXPECT_TRUE(original.defaultValue == copy.defaultValue);
    EXPECT_FALSE(original.inputMask);
    copy.validationRule->clear();
    EXPECT_EQ(*original.validationRule, ">0");
    Column moved = std::move(copy);
    EXPECT_TRUE(moved.validationRule == QString());
}

// Names match in any letter case as Jet matches them; the quick way for ASCII names must fold
// exactly as the full one does, and names beyond ASCII still take the full one.
TEST(FoldKey, FoldsAsciiAsTheFullMappingsDo) {
    QString every;
    for (char16_t c = 0; c < 0x80; ++c)
        every += QChar(c);
    EXPECT_EQ(FoldKey(every), every.toUpper().toCaseFolded());
    for (const QString& name :
         {QStringLiteral("Orders"), QStringLiteral("orders"), QStringLiteral("ORDER_LINES 2"),
          QString(), QStringLiteral("Z@[`{a")})
        EXPECT_EQ(FoldKey(name), name.toUpper().toCaseFolded()) << name.toStdString();

    EXPECT_EQ(FoldKey("Straße"), FoldKey("STRASSE"));
    EXPECT_EQ(FoldKey("Ärger"), FoldKey("äRGER"));
    EXPECT_NE(FoldKey("Ärger"), FoldKey("Arger"));
    EXPECT_EQ(FoldKey("ﬁle Ω"), FoldKey("FILE ω"));
}
