#include "engine/access/JetHeader.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace vantor;

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
