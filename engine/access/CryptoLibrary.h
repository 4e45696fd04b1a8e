#pragma once

#include <openssl/crypto.h>
#include <openssl/evp.h>

namespace vantor {

// The functions of libcrypto that decrypting Office-encrypted files needs, from the library as
// loaded the first time a file needs them: every other start of the programs is spared loading
// and linking it, which costs more than reading a small database.
struct CryptoLibrary {
    decltype(&EVP_sha1) sha1;
    decltype(&EVP_sha256) sha256;
    decltype(&EVP_sha384) sha384;
    decltype(&EVP_sha512) sha512;
    decltype(&EVP_MD_CTX_new) mdContextNew;
    decltype(&EVP_MD_CTX_free) mdContextFree;
    decltype(&EVP_MD_get_size) mdSize;
    decltype(&EVP_DigestInit_ex) digestInit;
    decltype(&EVP_DigestUpdate) digestUpdate;
    decltype(&EVP_DigestFinal_ex) digestFinal;
    decltype(&EVP_aes_128_ecb) aes128Ecb;
    decltype(&EVP_aes_128_cbc) aes128Cbc;
    decltype(&EVP_aes_192_ecb) aes192Ecb;
    decltype(&EVP_aes_192_cbc) aes192Cbc;
    decltype(&EVP_aes_256_ecb) aes256Ecb;
    decltype(&EVP_aes_256_cbc) aes256Cbc;
    decltype(&EVP_CIPHER_CTX_new) cipherContextNew;
    decltype(&EVP_CIPHER_CTX_free) cipherContextFree;
    decltype(&EVP_CIPHER_CTX_set_padding) setPadding;
    decltype(&EVP_DecryptInit_ex) decryptInit;
    decltype(&EVP_DecryptUpdate) decryptUpdate;
    decltype(&CRYPTO_memcmp) constantTimeCompare;
};

// Loads the library at the first call; throws std::runtime_error saying what is missing when it
// or one of its functions cannot be found (and tries again at the next call).
const CryptoLibrary& Crypto();

} // namespace vantor
