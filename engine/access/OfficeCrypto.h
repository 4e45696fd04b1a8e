#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace vantor {

enum class OfficeCipher { Rc4CryptoApi, StandardAes, Agile };
enum class OfficeHash { Sha1, Sha256, Sha384, Sha512 };

// What page 0 of an Office-encrypted ACE file says about its encryption.
struct OfficeEncryption {
    OfficeCipher cipher = OfficeCipher::Agile;
    // The unmasked encoding key of page 0; every page key mixes the page number into it.
    quint32 encodingKey = 0;

    // The password check, with what the key derivation needs. For Agile these are the password
    // key encryptor's values; the verifier is its "hash input", the hash its "hash value".
    OfficeHash hash = OfficeHash::Sha1;
    QByteArray salt;
    quint32 spinCount = 0;
    int keyBits = 0;
    int blockSize = 0; // 0 for the stream cipher
    QByteArray encryptedVerifier;
    QByteArray encryptedVerifierHash;
    int verifierHashSize = 0;

    // Agile only: the key of the pages, encrypted under the password, and what derives page IVs.
    QByteArray encryptedKey;
    OfficeHash pageHash = OfficeHash::Sha1;
    QByteArray pageSalt;
    int pageKeyBits = 0;
    int pageBlockSize = 0;
};

// Parses the encryption description in page 0 (the whole first page, 4096 bytes). Returns nothing
// and says why in *whyNot when it is malformed, truncated or names a cipher or hash this code
// cannot use.
std::optional<OfficeEncryption> ParseOfficeEncryption(const QByteArray& page0,
                                                      QString* whyNot = nullptr);

// Decrypts the pages of one file once the password is known to be right.
class OfficePageDecryptor {
public:
    // Decrypts one page in place; page 0 is left alone, as it is not encrypted this way. A block
    // cipher leaves a tail shorter than its block as it is.
    void DecryptPage(quint32 pageNumber, char* page, int size) const;

private:
    friend std::optional<OfficePageDecryptor>
    UnlockOfficeEncryption(const OfficeEncryption& encryption, const QString& password);
    OfficePageDecryptor() = default;

    OfficeCipher cipher_ = OfficeCipher::Agile;
    quint32 encodingKey_ = 0;
    // The password hash the page keys start from, or for Agile the key of every page.
    QByteArray key_;
    int keyBytes_ = 0;
    OfficeHash pageHash_ = OfficeHash::Sha1;
    QByteArray pageSalt_;
    int pageBlockSize_ = 0;
};

// Derives the keys from the password and checks them against the file's verifier; returns
// nothing when the password is wrong. Takes the encryption as ParseOfficeEncryption gave it.
std::optional<OfficePageDecryptor> UnlockOfficeEncryption(const OfficeEncryption& encryption,
                                                          const QString& password);

} // namespace vantor
