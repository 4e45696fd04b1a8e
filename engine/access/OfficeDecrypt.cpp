// The password check and page decryption of Office-encrypted files, apart from the parsing so
// that only the reader, which decrypts, needs libcrypto.
#include "engine/access/OfficeCrypto.h"

#include "engine/access/CryptoLibrary.h"

#include <QByteArrayView>
#include <QtEndian>
#include <array>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>

namespace vantor {

namespace {

constexpr qsizetype kMaxPasswordChars = 255;
constexpr int kAesBlock = 16;

constexpr std::array<quint8, 8> kVerifierInputBlock = {0xfe, 0xa7, 0xd2, 0x76,
                                                       0x3b, 0x4b, 0x9e, 0x79};
constexpr std::array<quint8, 8> kVerifierValueBlock = {0xd7, 0xaa, 0x0f, 0x6d,
                                                       0x30, 0x61, 0x34, 0x4e};
constexpr std::array<quint8, 8> kKeyValueBlock = {0x14, 0x6e, 0x0b, 0xe7, 0xab, 0xac, 0xd0, 0xd6};

[[noreturn]] void cryptoFailed() {
    throw std::runtime_error("OpenSSL refused a hash or cipher operation.");
}

const EVP_MD* digestOf(OfficeHash hash) {
    switch (hash) {
    case OfficeHash::Sha1:
        return Crypto().sha1();
    case OfficeHash::Sha256:
        return Crypto().sha256();
    case OfficeHash::Sha384:
        return Crypto().sha384();
    case OfficeHash::Sha512:
        break;
    }
    return Crypto().sha512();
}

struct MdContextFree {
    void operator()(EVP_MD_CTX* c) const { Crypto().mdContextFree(c); }
};
struct CipherContextFree {
    void operator()(EVP_CIPHER_CTX* c) const { Crypto().cipherContextFree(c); }
};

// One context for many hashes: the spin loop hashes up to millions of times.
class Hasher {
public:
    explicit Hasher(OfficeHash hash) : md_(digestOf(hash)), ctx_(Crypto().mdContextNew()) {
        if (!ctx_)
            throw std::bad_alloc();
    }
    QByteArray Of(QByteArrayView a, QByteArrayView b = {}) {
        QByteArray out(Crypto().mdSize(md_), '\0');
        if (Crypto().digestInit(ctx_.get(), md_, nullptr) != 1 ||
            Crypto().digestUpdate(ctx_.get(), a.data(), a.size()) != 1 ||
            Crypto().digestUpdate(ctx_.get(), b.data(), b.size()) != 1 ||
            Crypto().digestFinal(ctx_.get(), reinterpret_cast<unsigned char*>(out.data()),
                                 nullptr) != 1)
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
        cipher = iv.isEmpty() ? Crypto().aes128Ecb() : Crypto().aes128Cbc();
        break;
    case 24:
        cipher = iv.isEmpty() ? Crypto().aes192Ecb() : Crypto().aes192Cbc();
        break;
    case 32:
        cipher = iv.isEmpty() ? Crypto().aes256Ecb() : Crypto().aes256Cbc();
        break;
    default:
        cryptoFailed();
    }
    std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree> ctx(Crypto().cipherContextNew());
    if (!ctx)
        throw std::bad_alloc();
    auto* bytes = reinterpret_cast<unsigned char*>(data);
    int written = 0;
    if (Crypto().decryptInit(ctx.get(), cipher, nullptr,
                             reinterpret_cast<const unsigned char*>(key.data()),
                             reinterpret_cast<const unsigned char*>(iv.data())) != 1 ||
        Crypto().setPadding(ctx.get(), 0) != 1 ||
        Crypto().decryptUpdate(ctx.get(), bytes, &written, bytes, size - size % kAesBlock) != 1)
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
    return a.size() == b.size() && Crypto().constantTimeCompare(a.data(), b.data(), a.size()) == 0;
}

} // namespace

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

} // namespace vantor
