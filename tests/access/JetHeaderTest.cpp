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
    struct Case {
        const char* file;
        const char* format;
        int pageSize;
    };
    for (Case c :
         {Case{"testV1997.mdb", "JET3", 2048}, Case{"testV2003.mdb", "JET4", 4096},
          Case{"testV2007.accdb", "ACE12", 4096}, Case{"testV2010.accdb", "ACE14", 4096},
          Case{"empty2016.accdb", "ACE16", 4096}, Case{"empty2019.accdb", "ACE17", 4096}}) {
        REQUIRE_SHARED_FILE(path, c.file);
        QString why;
        std::optional<JetHeader> h = ParseJetHeader(headerOf(path), &why);
        ASSERT_TRUE(h) << c.file << ": " << why.toStdString();
        EXPECT_EQ(h->FormatName(), c.format) << c.file;
        EXPECT_EQ(h->pageSize, c.pageSize) << c.file;
        EXPECT_EQ(h->codePage, 1252) << c.file;
        EXPECT_TRUE(h->password.isEmpty()) << c.file;
        EXPECT_FALSE(h->IsOfficeEncrypted()) << c.file;
    }
}

TEST(JetHeader, TellsEncodedFromEncryptedFiles) {
    for (const char* encoded : {"encrypted/db97-enc.mdb", "encrypted/db-enc.mdb"}) {
        REQUIRE_SHARED_FILE(path, encoded);
        std::optional<JetHeader> h = ParseJetHeader(headerOf(path));
        ASSERT_TRUE(h) << encoded;
        EXPECT_NE(h->encodingKey, 0u) << encoded;
        EXPECT_FALSE(h->IsOfficeEncrypted()) << encoded;
        EXPECT_TRUE(h->password.isEmpty()) << encoded;
    }
    for (const char* encrypted : {"encrypted/db2007-enc.accdb", "encrypted/db2007-oldenc.accdb",
                                  "encrypted/db2013-enc.accdb", "encrypted/db-nonstandard.accdb"}) {
        REQUIRE_SHARED_FILE(path, encrypted);
        std::optional<JetHeader> h = ParseJetHeader(headerOf(path));
        ASSERT_TRUE(h) << encrypted;
        EXPECT_TRUE(h->IsOfficeEncrypted()) << encrypted;
    }
}

TEST(JetHeader, PasswordsRoundTripThroughTheMaskedHeader) {
    for (const char* file : {"testV1997.mdb", "testV2003.mdb", "testV2010.accdb"}) {
        REQUIRE_SHARED_FILE(path, file);
        QByteArray original = headerOf(path);
        for (const QString& pw :
             {QStringLiteral("secret"), QStringLiteral("Zwölf 12 chars!"), QStringLiteral("x")}) {
            QByteArray changed = WithJetPassword(original, pw);
            std::optional<JetHeader> h = ParseJetHeader(changed);
            ASSERT_TRUE(h) << file;
            EXPECT_EQ(h->password, pw) << file;
            EXPECT_TRUE(ParseJetHeader(WithJetPassword(changed, QString()))->password.isEmpty());
        }
        // Bytes outside the password field stay as they were.
        QByteArray cleared = WithJetPassword(WithJetPassword(original, "abc"), QString());
        EXPECT_EQ(cleared, original) << file;
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
