#include "engine/access/JetHeader.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

QByteArray headerOf(const QString& path) {
    return FileBytes(path).left(4096);
}

} // namespace

TEST(JetHeader, ReadsTheFormatOfEveryVersion) {
    QStringList formats; // file, format, page size, code page
    for (const char* file : {"testV1997.mdb", "testV2003.mdb", "testV2007.accdb", "testV2010.accdb",
                             "empty2016.accdb", "empty2019.accdb"}) {
        REQUIRE_SHARED_FILE(path, file);
        QString why;
        std::optional<JetHeader> h = ParseJetHeader(headerOf(path), &why);
        ASSERT_TRUE(h) << file << ": " << why.toStdString();
        EXPECT_TRUE(h->password.isEmpty() && !h->IsOfficeEncrypted()) << file;
        formats << QStringLiteral("%1 %2 %3 %4")
                       .arg(file, h->FormatName())
                       .arg(h->pageSize)
                       .arg(h->codePage);
    }
    EXPECT_EQ(formats.join(", "),
              "testV1997.mdb JET3 2048 1252, testV2003.mdb JET4 4096 1252, "
              "testV2007.accdb ACE12 4096 1252, testV2010.accdb ACE14 4096 1252, "
              "empty2016.accdb ACE16 4096 1252, empty2019.accdb ACE17 4096 1252");
}

TEST(JetHeader, PasswordsRoundTripThroughTheMaskedHeader) {
    for (const char* file : {"testV1997.mdb", "testV2003.mdb", "testV2010.accdb"}) {
        REQUIRE_SHARED_FILE(path, file);
        QByteArray original = headerOf(path);
        QByteArray changed = WithJetPassword(original, QStringLiteral("Zwölf 12 chars!"));
        std::optional<JetHeader> h = ParseJetHeader(changed);
        ASSERT_TRUE(h) << file;
        EXPECT_EQ(h->password, QStringLiteral("Zwölf 12 chars!")) << file;
        // Bytes outside the password field stay as they were.
        EXPECT_EQ(WithJetPassword(changed, QString()), original) << file;
    }
}

TEST(JetHeader, RefusesWhatIsNoAccessHeader) {
    QString why;
    EXPECT_FALSE(ParseJetHeader(QByteArray(), &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(ParseJetHeader(QByteArray(4096, 'x')));

    QByteArray fake(4096, '\0');
    fake[1] = 1;
    fake.replace(4, 15, "Standard Jet DB");
    EXPECT_TRUE(ParseJetHeader(fake));
    fake[0x14] = 7; // no such version
    EXPECT_FALSE(ParseJetHeader(fake));
    fake[0x14] = 2; // an ACE version under a Jet signature
    EXPECT_FALSE(ParseJetHeader(fake));
    EXPECT_FALSE(ParseJetHeader(fake.left(kJetHeaderBytes - 1)));
}
