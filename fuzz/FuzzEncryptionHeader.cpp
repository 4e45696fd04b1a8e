// Feeds mutated first pages through the parser of Office encryption descriptions and, when one
// parses, through the password check and a page's decryption. Any crash, leak or exception is a
// finding: a bad description must only be refused with a reason.
#include "engine/access/OfficeCrypto.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vantor;
    const QByteArray page0 =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QString why;
    std::optional<OfficeEncryption> e = ParseOfficeEncryption(page0, &why);
    if (!e) {
        if (!why.endsWith(u'.'))
            std::abort();
        return 0;
    }
    // Large spin counts are valid but only slow; the hashing loop has nothing to find.
    if (e->spinCount > 1000)
        e->spinCount = 1000;
    if (std::optional<OfficePageDecryptor> d = UnlockOfficeEncryption(*e, QStringLiteral("1234"))) {
        QByteArray page = page0.left(4096);
        d->DecryptPage(1, page.data(), static_cast<int>(page.size()));
    }
    return 0;
}
