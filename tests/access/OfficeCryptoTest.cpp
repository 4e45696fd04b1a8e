#include "engine/access/OfficeCrypto.h"
#include "engine/access/JetHeader.h"
#include "tests/access/AccessTestFiles.h"
#include "tests/support/QtPrinters.h"

#include <QtEndian>
#include <gtest/gtest.h>

using namespace vantor;
using namespace vantor::test;

namespace {

constexpr int kPage = 4096;

// An ACE page 0 with an encoding key and the given encryption description; declaredLength
// overrides the length field in front of it.
QByteArray acePage(const QByteArray& description, int declaredLength = -1) {
    QByteArray page(kPage, '\0');
    page[1] = 1;
    page.replace(4, 15, "Standard ACE DB");
    page[0x14] = 2;
    page = ToggleJetHeaderMask(page);
    qToLittleEndian<quint32>(0xa1b2c3d4, page.data() + 0x3e);
    page = ToggleJetHeaderMask(page);
    int length = declaredLength >= 0 ? declaredLength : static_cast<int>(description.size());
    qToLittleEndian<quint16>(static_cast<quint16>(length), page.data() + 0x299);
    page.replace(0x29b, description.size(), description);
    return page.left(kPage);
}

QByteArray base64Of(int bytes) {
    return QByteArray(bytes, '\x5a').toBase64();
}

const QByteArray kAgileXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
    "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
    "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
    "<keyData saltSize=\"16\" blockSize=\"16\" keyBits=\"256\" hashSize=\"64\" "
    "cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"SHA512\" "
    "saltValue=\"" +
    base64Of(16) +
    "\"/><keyEncryptors><keyEncryptor "
    "uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
    "<p:encryptedKey spinCount=\"100000\" saltSize=\"16\" blockSize=\"16\" keyBits=\"256\" "
    "hashSize=\"20\" cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" "
    "hashAlgorithm=\"SHA1\" saltValue=\"" +
    base64Of(16) + "\" encryptedVerifierHashInput=\"" + base64Of(16) +
    "\" encryptedVerifierHashValue=\"" + base64Of(32) + "\" encryptedKeyValue=\"" + base64Of(32) +
    "\"/></keyEncryptor></keyEncryptors></encryption>";

QByteArray agileDescription(QByteArray xml, const QByteArray& from = {},
                            const QByteArray& to = {}) {
    if (!from.isEmpty())
        xml.replace(from, to);
    QByteArray d(8, '\0');
    d[0] = 4;
    d[2] = 4;
    d[4] = 0x40;
    return d + xml;
}

// Page 0 with a binary description of the old RC4 scheme; fields are (offset, value) overrides.
// Its verifier hash has room for AES's 32 bytes, so that only the named fields matter.
constexpr int kSaltSizeAt = 12 + 118;
QByteArray rc4Page(std::initializer_list<std::pair<int, quint32>> fields) {
    const QByteArray provider =
        Utf16Le(QStringLiteral("Microsoft Base Cryptographic Provider v1.0"));
    QByteArray d(12 + 32, '\0');
    qToLittleEndian<quint16>(4, d.data());
    qToLittleEndian<quint16>(2, d.data() + 2);
    qToLittleEndian<quint32>(0x04, d.data() + 4);                     // flags: CryptoAPI
    qToLittleEndian<quint32>(32 + provider.size() + 2, d.data() + 8); // header size
    qToLittleEndian<quint32>(0x04, d.data() + 12);
    qToLittleEndian<quint32>(0x6801, d.data() + 20); // RC4
    qToLittleEndian<quint32>(0x8004, d.data() + 24); // SHA-1
    d += provider + QByteArray(2, '\0');
    QByteArray verifier(4 + 16 + 16 + 4 + 32, '\x11');
    qToLittleEndian<quint32>(16, verifier.data());
    qToLittleEndian<quint32>(20, verifier.data() + 36);
    d += verifier;
    for (auto [offset, value] : fields)
        qToLittleEndian<quint32>(value, d.data() + offset);
    return acePage(d);
}

// Page 0 with the agile description, one text of it replaced.
QByteArray agilePage(const QByteArray& from, const QByteArray& to) {
    return acePage(agileDescription(kAgileXml, from, to));
}

} // namespace

// The real files' decryption is the back end's test; these are what they do not show.
TEST(OfficeCrypto, AcceptsPaddedXmlAndReadsTheRc4KeySize) {
    EXPECT_TRUE(ParseOfficeEncryption(acePage(agileDescription(kAgileXml + QByteArray(9, '\0')))))
        << "zeros counted after the XML";
    std::optional<OfficeEncryption> rc4 = ParseOfficeEncryption(rc4Page({}));
    ASSERT_TRUE(rc4);
    EXPECT_EQ(rc4->cipher, OfficeCipher::Rc4CryptoApi);
    EXPECT_EQ(rc4->keyBits, 40) << "a key size of 0 means the base provider's 40 bits";
    EXPECT_EQ(ParseOfficeEncryption(rc4Page({{28, 128}})).value().keyBits, 128);
}

TEST(OfficeCrypto, RefusesHostileDescriptionsWithAReason) {
    struct Case {
        const char* what;
        QByteArray page;
        const char* reason; // words the reason must contain
    };
    const Case cases[] = {
        {"no description", acePage({}), "truncated"},
        {"length past the page", acePage(agileDescription(kAgileXml), 0xffff), "truncated"},
        {"unknown version", acePage(QByteArray("\x09\x00\x09\x00\x40\x00\x00\x00", 8)), "9.9"},
        {"reserved field", acePage(agileDescription(kAgileXml).replace(4, 1, "\x41")), "malformed"},
        {"not XML", acePage(agileDescription("<encryption><keyData")), "malformed"},
        {"no key data", agilePage("<keyData ", "<otherData "), "malformed"},
        {"certificates only", agilePage("<p:encryptedKey ", "<p:otherKey "), "certificates"},
        {"absurd spin count", agilePage("spinCount=\"100000\"", "spinCount=\"10000001\""),
         "malformed"},
        {"bad base64", agilePage(base64Of(32), "QUJD*RA=="), "malformed"},
        {"hash size off", agilePage("hashSize=\"64\"", "hashSize=\"20\""), "malformed"},
        {"unknown hash", agilePage("\"SHA512\"", "\"MD5\""), "MD5"},
        {"unknown cipher", agilePage("\"AES\"", "\"DES\""), "DES"},
        {"short key value",
         agilePage("encryptedKeyValue=\"" + base64Of(32), "encryptedKeyValue=\"" + base64Of(16)),
         "malformed"},
        {"huge header size", rc4Page({{8, 0xffffffff}}), "truncated"},
        {"zero salt size", rc4Page({{kSaltSizeAt, 0}}), "malformed"},
        {"no CryptoAPI flag", rc4Page({{4, 0}}), "malformed"},
        {"external provider", rc4Page({{4, 0x14}}), "external"},
        {"SHA-256 hash id", rc4Page({{24, 0x800c}}), "hash"},
        {"unknown cipher id", rc4Page({{20, 0x6603}}), "cipher"},
        {"RC4 key too long", rc4Page({{28, 256}}), "malformed"},
        {"AES key size off", rc4Page({{20, 0x6610}, {28, 128}}), "malformed"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QString why;
        std::optional<OfficeEncryption> e;
        EXPECT_NO_THROW(e = ParseOfficeEncryption(c.page, &why));
        EXPECT_FALSE(e);
        EXPECT_TRUE(why.contains(QLatin1String(c.reason))) << why.toStdString();
        EXPECT_TRUE(why.endsWith('.')) << why.toStdString();
    }
}

TEST(OfficeCrypto, EveryShortenedPageZeroIsRefused) {
    for (const char* file : {"encrypted/db2013-enc.accdb", "encrypted/db2007-oldenc.accdb"}) {
        REQUIRE_SHARED_FILE(path, file);
        const QByteArray page0 = FileBytes(path).left(kPage);
        const int end = 0x29b + qFromLittleEndian<quint16>(page0.constData() + 0x299);
        for (int size = 0; size <= kPage; ++size) {
            QString why;
            bool parsed = ParseOfficeEncryption(page0.left(size), &why).has_value();
            ASSERT_EQ(parsed, size >= end) << file << " cut to " << size;
            ASSERT_EQ(why.isEmpty(), parsed) << file << " cut to " << size;
        }
    }
}
