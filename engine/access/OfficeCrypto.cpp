#include "engine/access/OfficeCrypto.h"

#include "engine/access/JetHeader.h"

#include <QByteArrayView>
#include <QXmlStreamReader>
#include <QtEndian>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <stdexcept>

namespace vantor {

namespace {

constexpr int kDescriptionLengthOffset = 0x299;
constexpr int kDescriptionOffset = 0x29b;
constexpr int kEncodingKeyOffset = 0x3e;
// Office writes 100,000; a hostile file may ask for more, but not for minutes of hashing.
constexpr quint32 kMaxSpinCount = 10'000'000;
constexpr qsizetype kMaxPasswordChars = 255;
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
constexpr std::array<quint8, 8> kVerifierInputBlock = {0xfe, 0xa7, 0xd2, 0x76,
                                                       0x3b, 0x4b, 0x9e, 0x79};
constexpr std::array<quint8, 8> kVerifierValueBlock = {0xd7, 0xaa, 0x0f, 0x6d,
                                                       0x30, 0x61, 0x34, 0x4e};
constexpr std::array<quint8, 8> kKeyValueBlock = {0x14, 0x6e, 0x0b, 0xe7, 0xab, 0xac, 0xd0, 0xd6};

const QString kTruncated = QStringLiteral("The file's encryption description is truncated.");
const QString kMalformed = QStringLiteral("The file's encryption description is malformed.");

[[noreturn]] void cryptoFailed() {
    throw std::runtime_error("OpenSSL refused a hash or cipher operation.");
}

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

const EVP_MD* digestOf(OfficeHash hash) {
    switch (hash) {
    case OfficeHash::Sha1:
        return EVP_sha1();
    case OfficeHash::Sha256:
        return EVP_sha256();
    case OfficeHash::Sha384:
        return EVP_sha384();
    case OfficeHash::Sha512:
        break;
    }
    return EVP_sha512();
}

int digestBytes(OfficeHash hash) {
    return EVP_MD_get_size(digestOf(hash));
}

struct MdContextFree {
    void operator()(EVP_MD_CTX* c) const { EVP_MD_CTX_free(c); }
};
struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* c) const { EVP_CIPHER_CTX_free(c); }
};

// One context for many hashes: the spin loop hashes up to millions of times.
class Hasher {
public:
    explicit Hasher(OfficeHash hash) : md_(digestOf(hash)), ctx_(EVP_MD_CTX_new()) {
        if (!ctx_)
            throw std::bad_alloc();
    }
    QByteArray Of(QByteArrayView a, QByteArrayView b = {}) {
        QByteArray out(EVP_MD_get_size(md_), '\0');
        if (EVP_DigestInit_ex(ctx_.get(), md_, nullptr) != 1 ||
            EVP_DigestUpdate(ctx_.get(), a.data(), a.size()) != 1 ||
            EVP_DigestUpdate(ctx_.get(), b.data(), b.size()) != 1 ||
            EVP_DigestFinal_ex(ctx_.get(), reinterpret_cast<unsigned char*>(out.data()), nullptr) !=
                1)
            cryptoFailed();
        return out;
    }

private:
    const EVP_MD* md_;
    std::unique_ptr<EVP_MD_CTX, MdContextFree> ctx_;
};

QByteArray littleEndian32(quint32 value) {
    QByteArray out(4, '\0');
    qToLittleEndian(value, out.data());
    return out;
}

QByteArrayView viewOf(const std::array<quint8, 8>& bytes) {
    return QByteArrayView(bytes.data(), qsizetype(bytes.size()));
}

// Derived keys and IVs are cut to size, or padded with 0x36 when the hash is too short.
QByteArray fitted(QByteArray bytes, int size, char pad) {
    if (bytes.size() >= size)
        return bytes.left(size);
    return bytes.append(QByteArray(size - bytes.size(), pad));
}

QByteArray passwordBytes(const QString& password) {
    QString kept = password.left(kMaxPasswordChars);
    QByteArray out(kept.size() * 2, '\0');
    for (qsizetype i = 0; i < kept.size(); ++i)
        qToLittleEndian<quint16>(kept[i].unicode(), out.data() + 2 * i);
    return out;
}

QByteArray spunHash(OfficeHash hash, QByteArrayView salt, QByteArrayView password, quint32 rounds) {
    Hasher h(hash);
    QByteArray value = h.Of(salt, password);
    QByteArray counter(4, '\0');
    for (quint32 i = 0; i < rounds; ++i) {
        qToLittleEndian(i, counter.data());
        value = h.Of(counter, value);
    }
    return value;
}

// An empty iv selects ECB, which the standard AES pages use.
void aesDecrypt(QByteArrayView key, QByteArrayView iv, char* data, int size) {
    const EVP_CIPHER* cipher = nullptr;
    switch (key.size()) {
    case 16:
        cipher = iv.isEmpty() ? EVP_aes_128_ecb() : EVP_aes_128_cbc();
        break;
    case 24:
        cipher = iv.isEmpty() ? EVP_aes_192_ecb() : EVP_aes_192_cbc();
        break;
    case 32:
        cipher = iv.isEmpty() ? EVP_aes_256_ecb() : EVP_aes_256_cbc();
        break;
    default:
        cryptoFailed();
    }
    std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> ctx(EVP_CIPHER_CTX_new());
    if (!ctx)
        throw std::bad_alloc();
    auto* bytes = reinterpret_cast<unsigned char*>(data);
    int written = 0;
    if (EVP_DecryptInit_ex(ctx.get(), cipher, nullptr,
                           reinterpret_cast<const unsigned char*>(key.data()),
                           reinterpret_cast<const unsigned char*>(iv.data())) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1 ||
        EVP_DecryptUpdate(ctx.get(), bytes, &written, bytes, size - size % kAesBlock) != 1)
        cryptoFailed();
}

QByteArray aesDecrypted(QByteArrayView key, QByteArrayView iv, QByteArray bytes) {
    aesDecrypt(key, iv, bytes.data(), static_cast<int>(bytes.size()));
    return bytes;
}

// OpenSSL 3 keeps RC4 in its legacy provider, which the program would have to load for this alone.
class Rc4 {
public:
    explicit Rc4(QByteArrayView key) {
        for (int n = 0; n < 256; ++n)
            s_[n] = static_cast<quint8>(n);
        for (int n = 0, j = 0; n < 256; ++n) {
            j = (j + s_[n] + static_cast<quint8>(key[n % key.size()])) & 0xff;
            std::swap(s_[n], s_[j]);
        }
    }
    void Apply(char* data, qsizetype size) {
        for (qsizetype n = 0; n < size; ++n) {
            i_ = static_cast<quint8>(i_ + 1);
            j_ = static_cast<quint8>(j_ + s_[i_]);
            std::swap(s_[i_], s_[j_]);
            data[n] = static_cast<char>(data[n] ^ s_[static_cast<quint8>(s_[i_] + s_[j_])]);
        }
    }
    QByteArray Applied(QByteArray bytes) {
        Apply(bytes.data(), bytes.size());
        return bytes;
    }

private:
    std::array<quint8, 256> s_{};
    quint8 i_ = 0;
    quint8 j_ = 0;
};

QByteArray rc4Key(QByteArrayView passwordHash, quint32 block, int keyBytes) {
    QByteArray key = Hasher(OfficeHash::Sha1).Of(passwordHash, littleEndian32(block));
    key.truncate(keyBytes);
    // A 40-bit key is used as 128 bits with the rest zero, as the old export-grade provider did.
    if (keyBytes == 5)
        key.append(QByteArray(11, '\0'));
    return key;
}

QByteArray standardAesKey(QByteArrayView passwordHash, quint32 block, int keyBytes) {
    Hasher h(OfficeHash::Sha1);
    QByteArray blockHash = h.Of(passwordHash, littleEndian32(block));
    QByteArray inner(64, '\x36');
    QByteArray outer(64, '\x5c');
    for (qsizetype i = 0; i < blockHash.size(); ++i) {
        inner[i] = static_cast<char>(inner[i] ^ blockHash[i]);
        outer[i] = static_cast<char>(outer[i] ^ blockHash[i]);
    }
    return (h.Of(inner) + h.Of(outer)).left(keyBytes);
}

QByteArray agileKey(OfficeHash hash, QByteArrayView passwordHash,
                    const std::array<quint8, 8>& block, int keyBytes) {
    return fitted(Hasher(hash).Of(passwordHash, viewOf(block)), keyBytes, '\x36');
}

bool sameBytes(QByteArrayView a, QByteArrayView b) {
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
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
            QString name;
            for (qsizetype i = 0; i + 1 < provider.size(); i += 2) {
                char16_t unit = qFromLittleEndian<quint16>(provider.data() + i);
                if (unit == 0)
                    break;
                name.append(QChar(unit));
            }
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
    quint16 major = qFromLittleEndian<quint16>(description.data());
    quint16 minor = qFromLittleEndian<quint16>(description.data() + 2);

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

std::optional<OfficePageDecryptor> UnlockOfficeEncryption(const OfficeEncryption& e,
                                                          const QString& password) {
    const QByteArray pw = passwordBytes(password);
    OfficePageDecryptor d;
    d.cipher_ = e.cipher;
    d.encodingKey_ = e.encodingKey;
    d.keyBytes_ = e.keyBits / 8;
    QByteArray verifier;
    QByteArray verifierHash;
    // The password check uses block 0 outright, not mixed with the encoding key as pages are.
    switch (e.cipher) {
    case OfficeCipher::Rc4CryptoApi: {
        d.key_ = spunHash(OfficeHash::Sha1, e.salt, pw, 0);
        // The verifier and its hash are one stream, not two.
        Rc4 rc4(rc4Key(d.key_, 0, d.keyBytes_));
        verifier = rc4.Applied(e.encryptedVerifier);
        verifierHash = rc4.Applied(e.encryptedVerifierHash);
        break;
    }
    case OfficeCipher::StandardAes: {
        d.key_ = spunHash(OfficeHash::Sha1, e.salt, pw, e.spinCount);
        QByteArray key = standardAesKey(d.key_, 0, d.keyBytes_);
        verifier = aesDecrypted(key, {}, e.encryptedVerifier);
        verifierHash = aesDecrypted(key, {}, e.encryptedVerifierHash);
        break;
    }
    case OfficeCipher::Agile: {
        QByteArray hash = spunHash(e.hash, e.salt, pw, e.spinCount);
        QByteArray iv = fitted(e.salt, e.blockSize, '\x36');
        verifier = aesDecrypted(agileKey(e.hash, hash, kVerifierInputBlock, d.keyBytes_), iv,
                                e.encryptedVerifier)
                       .left(e.salt.size());
        verifierHash = aesDecrypted(agileKey(e.hash, hash, kVerifierValueBlock, d.keyBytes_), iv,
                                    e.encryptedVerifierHash);
        d.key_ =
            aesDecrypted(agileKey(e.hash, hash, kKeyValueBlock, d.keyBytes_), iv, e.encryptedKey)
                .left(e.pageKeyBits / 8);
        d.keyBytes_ = static_cast<int>(d.key_.size());
        d.pageHash_ = e.pageHash;
        d.pageSalt_ = e.pageSalt;
        d.pageBlockSize_ = e.pageBlockSize;
        break;
    }
    }
    QByteArray expected = Hasher(e.hash).Of(verifier).left(e.verifierHashSize);
    if (!sameBytes(expected, verifierHash.left(e.verifierHashSize)))
        return std::nullopt;
    return d;
}

void OfficePageDecryptor::DecryptPage(quint32 pageNumber, char* page, int size) const {
    if (pageNumber == 0 || size <= 0)
        return;
    const quint32 block = encodingKey_ ^ pageNumber;
    switch (cipher_) {
    case OfficeCipher::Rc4CryptoApi:
        Rc4(rc4Key(key_, block, keyBytes_)).Apply(page, size);
        break;
    case OfficeCipher::StandardAes:
        aesDecrypt(standardAesKey(key_, block, keyBytes_), {}, page, size);
        break;
    case OfficeCipher::Agile: {
        QByteArray iv =
            fitted(Hasher(pageHash_).Of(pageSalt_, littleEndian32(block)), pageBlockSize_, '\x36');
        aesDecrypt(key_, iv, page, size);
        break;
    }
    }
}

QByteArray WithoutOfficeEncryptionMark(const QByteArray& page0) {
    if (page0.size() < kJetHeaderBytes)
        return page0;
    QByteArray plain = ToggleJetHeaderMask(page0);
    std::memset(plain.data() + kEncodingKeyOffset, 0, 4);
    // The password field of an encrypted file holds key material, which would read as a password.
    return WithJetPassword(ToggleJetHeaderMask(plain), QString());
}

} // namespace vantor
