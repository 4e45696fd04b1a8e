#include "engine/access/JetHeader.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

TEST(JetHeader, ReadsTheFormatOfEveryVersion) {
    const std::pair<const char*, const char*> files[] = {
        {"testV1997.mdb", "JET3 2048"},    {"testV2003.mdb", "JET4 4096"},
        {"testV2007.accdb", "ACE12 4096"}, {"testV2010.accdb", "ACE14 4096"},
        {"empty2016.accdb", "ACE16 4096"}, {"empty2019.accdb", "ACE17 4096"},
    };
    for (const auto& [file, format] : files) {
        REQUIRE_SHARED_FILE(path, file);
        QString why;
        std::optional<JetHeader> h = ParseJetHeader(FileBytes(path).left(4096), &why);
        ASSERT_TRUE(h) << file << ": " << why.toStdString();
        EXPECT_TRUE(h->password.isEmpty() && !h->IsOfficeEncrypted()) << file;
        EXPECT_EQ(QStringLiteral("%1 %2 %3").arg(h->FormatName()).arg(h->pageSize).arg(h->codePage),
                  QString(format) + " 1252");
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
    EXPECT_FALSE(ParseJetHeader(fake.left(kJetHeaderBytes - 1)));
    fake[0x14] = 7; // no such version
    EXPECT_FALSE(ParseJetHeader(fake));
    fake[0x14] = 2; // an ACE version under a Jet signature
    EXPECT_FALSE(ParseJetHeader(fake));
}
