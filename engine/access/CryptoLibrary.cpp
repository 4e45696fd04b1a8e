#include "engine/access/CryptoLibrary.h"

#include <dlfcn.h>
#include <openssl/opensslv.h>
#include <stdexcept>
#include <string>

namespace vantor {

namespace {

#define VANTOR_TEXT_OF(x) #x
#define VANTOR_TEXT(x) VANTOR_TEXT_OF(x)
// The library of the major version the program was built against, whose functions it expects.
constexpr char kLibraryName[] = "libcrypto.so." VANTOR_TEXT(OPENSSL_VERSION_MAJOR);
#undef VANTOR_TEXT
#undef VANTOR_TEXT_OF

template <typename Function> void find(void* library, Function& function, const char* name) {
    function = reinterpret_cast<Function>(dlsym(library, name));
    if (!function)
        throw std::runtime_error(std::string("The library ") + kLibraryName +
                                 ", which decrypts encrypted databases, lacks " + name + ".");
}

CryptoLibrary load() {
    // Never closed: the digests and ciphers it hands out live inside it.
    void* library = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        const char* why = dlerror();
        throw std::runtime_error(std::string("The library ") + kLibraryName +
                                 ", which decrypts encrypted databases, cannot be loaded: " +
                                 (why ? why : "no reason given") + ". Install OpenSSL's libssl3.");
    }
    CryptoLibrary c{};
    find(library, c.sha1, "EVP_sha1");
    find(library, c.sha256, "EVP_sha256");
    find(library, c.sha384, "EVP_sha384");
    find(library, c.sha512, "EVP_sha512");
    find(library, c.mdContextNew, "EVP_MD_CTX_new");
    find(library, c.mdContextFree, "EVP_MD_CTX_free");
    find(library, c.mdSize, "EVP_MD_get_size");
    find(library, c.digestInit, "EVP_DigestInit_ex");
    find(library, c.digestUpdate, "EVP_DigestUpdate");
    find(library, c.digestFinal, "EVP_DigestFinal_ex");
    find(library, c.aes128Ecb, "EVP_aes_128_ecb");
    find(library, c.aes128Cbc, "EVP_aes_128_cbc");
    find(library, c.aes192Ecb, "EVP_aes_192_ecb");
    find(library, c.aes192Cbc, "EVP_aes_192_cbc");
    find(library, c.aes256Ecb, "EVP_aes_256_ecb");
    find(library, c.aes256Cbc, "EVP_aes_256_cbc");
    find(library, c.cipherContextNew, "EVP_CIPHER_CTX_new");
    find(library, c.cipherContextFree, "EVP_CIPHER_CTX_free");
    find(library, c.setPadding, "EVP_CIPHER_CTX_set_padding");
    find(library, c.decryptInit, "EVP_DecryptInit_ex");
    find(library, c.decryptUpdate, "EVP_DecryptUpdate");
    find(library, c.constantTimeCompare, "CRYPTO_memcmp");
    return c;
}

} // namespace

const CryptoLibrary& Crypto() {
    static const CryptoLibrary library = load();
    return library;
}

} // namespace vantor
