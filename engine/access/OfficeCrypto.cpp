#include "engine/access/OfficeCrypto.h"

#include "engine/access/JetHeader.h"

#include <QByteArrayView>
#include <QXmlStreamReader>
#include <QtEndian>
#include <array>
#include <cstring>

namespace vantor {

namespace {

constexpr int kDescriptionLengthOffset = 0x299;
constexpr int kDescriptionOffset = 0x29b;
// Office writes 100,000; a hostile file may ask for more, but not for minutes of hashing.
constexpr quint32 kMaxSpinCount = 10'000'000;
constexpr int kAesBlock = 16;

constexpr quint32 kFlagCryptoApi = 0x04;
constexpr quint32 kFlagExternal = 0x10;
constexpr quint32 kFlagAes = 0x20;
constexpr quint32 kAlgRc4 = 0x6801;
constexpr quint32 kAlgAes128 = 0x660e;
constexpr quint32 kAlgAes192 = 0x660f;
constexpr quint32 kAlgAes256 = 0x6610;
constexpr quint32 kAlgSha1 = 0x8004;
constexpr int kCryptoApiHeaderFixedBytes = 32;
constexpr int kCryptoApiSaltBytes = 16;
constexpr int kSha1Bytes = 20;
constexpr quint32 kStandardAesSpinCount = 50000;

constexpr char kEncryptionNamespace[] = "http://schemas.microsoft.com/office/2006/encryption";
constexpr char kPasswordNamespace[] =
    "http://schemas.microsoft.com/office/2006/keyEncryptor/password";

const QString kTruncated = QStringLiteral("The file's encryption description is truncated.");
const QString kMalformed = QStringLiteral("The file's encryption description is malformed.");

// Reads little-endian fields; running past the end leaves it failed and yields zeros.
class Cursor {
public:
    explicit Cursor(QByteArrayView bytes) : bytes_(bytes) {}

    quint32 U32() {
        QByteArrayView v = Take(4);
        return v.size() == 4 ? qFromLittleEndian<quint32>(v.data()) : 0;
    }
    QByteArrayView Take(qsizetype n) {
        if (!ok_ || n < 0 || n > bytes_.size() - pos_) {
            ok_ = false;
            return {};
        }
        QByteArrayView v = bytes_.sliced(pos_, n);
        pos_ += n;
        return v;
    }
    QByteArrayView Rest() { return Take(bytes_.size() - pos_); }
    bool Ok() const { return ok_; }

private:
    QByteArrayView bytes_;
    qsizetype pos_ = 0;
    bool ok_ = true;
};

int digestBytes(OfficeHash hash) {
    switch (hash) {
    case OfficeHash::Sha1:
        return 20;
    case OfficeHash::Sha256:
        return 32;
    case OfficeHash::Sha384:
        return 48;
    case OfficeHash::Sha512:
        break;
    }
    return 64;
}

// The header and verifier of the binary descriptions, which name their algorithms by number.
QString parseCryptoApi(QByteArrayView description, OfficeEncryption& e) {
    Cursor c(description);
    c.Take(4); // the version, already read
    quint32 flags = c.U32();
    quint32 headerSize = c.U32();
    if (!c.Ok())
        return kTruncated;
    if (headerSize < kCryptoApiHeaderFixedBytes)
        return kMalformed;
    Cursor header(c.Take(headerSize));
    quint32 headerFlags = header.U32();
    header.U32(); // size of extra data, unused
    quint32 algorithm = header.U32();
    quint32 hashAlgorithm = header.U32();
    quint32 keyBits = header.U32();
    header.Take(12); // provider type and two reserved fields
    QByteArrayView provider = header.Rest();

    quint32 saltSize = c.U32();
    e.salt = c.Take(saltSize).toByteArray();
    e.encryptedVerifier = c.Take(16).toByteArray();
    quint32 verifierHashSize = c.U32();
    bool aes = algorithm == kAlgAes128 || algorithm == kAlgAes192 || algorithm == kAlgAes256 ||
               (algorithm == 0 && (flags & kFlagAes));
    e.encryptedVerifierHash = c.Take(aes ? 32 : kSha1Bytes).toByteArray();
    if (!c.Ok())
        return kTruncated;

    if (!(flags & kFlagCryptoApi))
        return kMalformed;
    if ((flags | headerFlags) & kFlagExternal)
        return QStringLiteral("The file is encrypted by an external provider, which this version "
                              "cannot use.");
    if (hashAlgorithm != 0 && hashAlgorithm != kAlgSha1)
        return QStringLiteral("The file's encryption names a hash algorithm this version cannot "
                              "use.");
    if (saltSize != kCryptoApiSaltBytes || verifierHashSize != kSha1Bytes)
        return kMalformed;
    e.hash = OfficeHash::Sha1;
    e.verifierHashSize = kSha1Bytes;

    if (aes) {
        int algorithmBits = algorithm == kAlgAes256 ? 256 : algorithm == kAlgAes192 ? 192 : 128;
        if (keyBits == 0)
            keyBits = algorithmBits;
        if (keyBits != static_cast<quint32>(algorithmBits))
            return kMalformed;
        e.cipher = OfficeCipher::StandardAes;
        e.blockSize = kAesBlock;
        // Files that name AES without the AES flag skip the rounds of password hashing.
        e.spinCount = (flags & kFlagAes) ? kStandardAesSpinCount : 0;
    } else if (algorithm == kAlgRc4 || algorithm == 0) {
        if (flags & kFlagAes)
            return kMalformed;
        if (keyBits == 0) {
            const QString name = Utf16UntilNul(provider);
            // Without a size the provider decides: the base one is limited to 40 bits.
            bool base = name.trimmed().isEmpty() ||
                        name.contains(QStringLiteral(" base "), Qt::CaseInsensitive);
            keyBits = base ? 40 : 128;
        }
        if (keyBits < 40 || keyBits > 128 || keyBits % 8 != 0)
            return kMalformed;
        e.cipher = OfficeCipher::Rc4CryptoApi;
        e.blockSize = 0;
    } else {
        return QStringLiteral("The file's encryption names a cipher this version cannot use.");
    }
    e.keyBits = static_cast<int>(keyBits);
    return {};
}

// The attributes that the key data and the password key encryptor share.
struct AgileCipher {
    OfficeHash hash = OfficeHash::Sha1;
    QByteArray salt;
    int keyBits = 0;
    int blockSize = 0;
};

bool decodeBase64(QStringView text, QByteArray* out) {
    auto result =
        QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    *out = result.decoded;
    return result.decodingStatus == QByteArray::Base64DecodingStatus::Ok;
}

QString readAgileCipher(const QXmlStreamAttributes& a, AgileCipher* c) {
    QStringView cipher = a.value(QLatin1String("cipherAlgorithm"));
    QStringView chaining = a.value(QLatin1String("cipherChaining"));
    if (cipher != QLatin1String("AES") || chaining != QLatin1String("ChainingModeCBC"))
        return QStringLiteral("The file's encryption names the cipher \"%1 %2\", which this "
                              "version cannot use.")
            .arg(cipher.left(40), chaining.left(40));
    QStringView hash = a.value(QLatin1String("hashAlgorithm"));
    if (hash == QLatin1String("SHA1"))
        c->hash = OfficeHash::Sha1;
    else if (hash == QLatin1String("SHA256"))
        c->hash = OfficeHash::Sha256;
    else if (hash == QLatin1String("SHA384"))
        c->hash = OfficeHash::Sha384;
    else if (hash == QLatin1String("SHA512"))
        c->hash = OfficeHash::Sha512;
    else
        return QStringLiteral("The file's encryption names the hash algorithm \"%1\", which this "
                              "version cannot use.")
            .arg(hash.left(40));

    bool keyOk = false;
    bool blockOk = false;
    bool hashOk = false;
    bool saltOk = false;
    c->keyBits = a.value(QLatin1String("keyBits")).toInt(&keyOk);
    c->blockSize = a.value(QLatin1String("blockSize")).toInt(&blockOk);
    int hashSize = a.value(QLatin1String("hashSize")).toInt(&hashOk);
    int saltSize = a.value(QLatin1String("saltSize")).toInt(&saltOk);
    if (!keyOk || !blockOk || !hashOk || !saltOk ||
        (c->keyBits != 128 && c->keyBits != 192 && c->keyBits != 256) ||
        c->blockSize != kAesBlock || hashSize != digestBytes(c->hash) ||
        !decodeBase64(a.value(QLatin1String("saltValue")), &c->salt) || c->salt.isEmpty() ||
        c->salt.size() != saltSize)
        return kMalformed;
    return {};
}

bool readEncrypted(const QXmlStreamAttributes& a, const char* name, qsizetype atLeast,
                   QByteArray* out) {
    return decodeBase64(a.value(QLatin1String(name)), out) && out->size() >= atLeast &&
           out->size() % kAesBlock == 0;
}

QString readPasswordEncryptor(const QXmlStreamAttributes& a, OfficeEncryption& e) {
    AgileCipher c;
    QString why = readAgileCipher(a, &c);
    if (!why.isEmpty())
        return why;
    bool spinOk = false;
    e.spinCount = a.value(QLatin1String("spinCount")).toUInt(&spinOk);
    if (!spinOk || e.spinCount > kMaxSpinCount)
        return kMalformed;
    e.hash = c.hash;
    e.salt = c.salt;
    e.keyBits = c.keyBits;
    e.blockSize = c.blockSize;
    e.verifierHashSize = digestBytes(c.hash);
    if (!readEncrypted(a, "encryptedVerifierHashInput", c.salt.size(), &e.encryptedVerifier) ||
        !readEncrypted(a, "encryptedVerifierHashValue", e.verifierHashSize,
                       &e.encryptedVerifierHash) ||
        !readEncrypted(a, "encryptedKeyValue", 1, &e.encryptedKey))
        return kMalformed;
    return {};
}

QString parseAgile(QByteArrayView description, OfficeEncryption& e) {
    Cursor c(description);
    c.Take(4); // the version, already read
    quint32 reserved = c.U32();
    if (!c.Ok())
        return kTruncated;
    if (reserved != 0x40)
        return kMalformed;
    QByteArrayView text = c.Rest();
    // Zeros after the XML, should a length count them, would make it malformed for the reader.
    if (qsizetype end = text.indexOf('\0'); end >= 0)
        text.truncate(end);

    e.cipher = OfficeCipher::Agile;
    QXmlStreamReader xml(text.toByteArray());
    bool haveKeyData = false;
    bool havePassword = false;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        QString why;
        if (xml.name() == QLatin1String("keyData") &&
            xml.namespaceUri() == QLatin1String(kEncryptionNamespace)) {
            AgileCipher page;
            why = readAgileCipher(xml.attributes(), &page);
            e.pageHash = page.hash;
            e.pageSalt = page.salt;
            e.pageKeyBits = page.keyBits;
            e.pageBlockSize = page.blockSize;
            haveKeyData = true;
        } else if (xml.name() == QLatin1String("encryptedKey") &&
                   xml.namespaceUri() == QLatin1String(kPasswordNamespace)) {
            why = readPasswordEncryptor(xml.attributes(), e);
            havePassword = true;
        }
        if (!why.isEmpty())
            return why;
    }
    if (xml.hasError() || !haveKeyData)
        return kMalformed;
    if (!havePassword)
        return QStringLiteral("The file is encrypted for certificates, not with a password.");
    if (e.encryptedKey.size() < e.pageKeyBits / 8)
        return kMalformed;
    return {};
}

} // namespace
std::optional<OfficeEncryption> ParseOfficeEncryption(const QByteArray& page0, QString* whyNot) {
    auto fail = [whyNot](const QString& reason) -> std::optional<OfficeEncryption> {
        if (whyNot)
            *whyNot = reason;
        return std::nullopt;
    };
    QString why;
    std::optional<JetHeader> header = ParseJetHeader(page0, &why);
    if (!header)
        return fail(why);
    if (!header->IsOfficeEncrypted())
        return fail(QStringLiteral("The file is not encrypted with Office encryption."));
    if (page0.size() < kDescriptionOffset)
        return fail(kTruncated);
    qsizetype length = qFromLittleEndian<quint16>(page0.constData() + kDescriptionLengthOffset);
    if (length < 8 || length > page0.size() - kDescriptionOffset)
        return fail(kTruncated);
    QByteArrayView description(page0.constData() + kDescriptionOffset, length);
    auto major = qFromLittleEndian<quint16>(description.data());
    auto minor = qFromLittleEndian<quint16>(description.data() + 2);

    OfficeEncryption e;
    e.encodingKey = header->encodingKey;
    if (major == 4 && minor == 4)
        why = parseAgile(description, e);
    else if (major >= 2 && major <= 4 && minor == 2)
        why = parseCryptoApi(description, e);
    else
        why = QStringLiteral("The file's encryption has the version %1.%2, which this version "
                             "cannot read.")
                  .arg(major)
                  .arg(minor);
    if (!why.isEmpty())
        return fail(why);
    return e;
}

} // namespace vantor
