#include "engine/access/JetHeader.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QtEndian>
#include <array>
#include <cstring>

namespace vantor {

namespace {

constexpr int kVersionOffset = 0x14;
constexpr int kMaskedOffset = 0x18;
constexpr int kCodePageOffset = 0x3c;
constexpr int kKeyOffset = 0x3e;
constexpr int kPasswordOffset = 0x42;
constexpr int kCreatedOffset = 0x72;
constexpr int kHighestKnownVersion = 6;

// Jet hides part of page 0 under the RC4 keystream of a fixed key.
std::array<quint8, 128> headerMask() {
    std::array<quint8, 256> s{};
    for (int i = 0; i < 256; ++i)
        s[i] = static_cast<quint8>(i);
    const quint8 key[4] = {0xc7, 0xda, 0x39, 0x6b};
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) & 0xff;
        std::swap(s[i], s[j]);
    }
    std::array<quint8, 128> out{};
    for (int n = 0, i = 0, j = 0; n < 128; ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        out[n] = s[(s[i] + s[j]) & 0xff];
    }
    return out;
}

int maskedLength(int version) {
    return version == 0 ? 126 : 128;
}

QByteArray unmasked(const QByteArray& start, int version) {
    static const std::array<quint8, 128> mask = headerMask();
    QByteArray page = start.left(kJetHeaderBytes);
    for (int i = 0; i < maskedLength(version); ++i)
        page[kMaskedOffset + i] = static_cast<char>(page[kMaskedOffset + i] ^ mask[i]);
    return page;
}

int passwordBytes(int version) {
    return version == 0 ? 20 : 40;
}

// Jet 4 and ACE also mask the password with the whole days of the creation date.
std::array<quint8, 4> dateMask(const QByteArray& page) {
    double created = 0;
    std::memcpy(&created, page.constData() + kCreatedOffset, sizeof created);
    created = qFromLittleEndian(created);
    qint32 days = 0;
    if (created > -2147483648.0 && created < 2147483648.0)
        days = static_cast<qint32>(created);
    std::array<quint8, 4> mask{};
    qToLittleEndian(days, mask.data());
    return mask;
}

QString codePageName(quint16 codePage) {
    return QStringLiteral("windows-%1").arg(codePage == 0 ? 1252 : codePage);
}

QString decodeJet3(const QByteArray& bytes, quint16 codePage) {
    QStringDecoder decoder(codePageName(codePage).toLatin1().constData());
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

QByteArray encodeJet3(const QString& text, quint16 codePage) {
    QStringEncoder encoder(codePageName(codePage).toLatin1().constData());
    if (!encoder.isValid())
        return text.toLatin1();
    return encoder.encode(text);
}

} // namespace

QString Utf16UntilNul(QByteArrayView bytes) {
    QString text;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        char16_t unit = qFromLittleEndian<quint16>(bytes.data() + i);
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text;
}

QString JetHeader::FormatName() const {
    switch (version) {
    case 0:
        return QStringLiteral("JET3");
    case 1:
        return QStringLiteral("JET4");
    case 2:
        return QStringLiteral("ACE12");
    case 3:
        return QStringLiteral("ACE14");
    case 4:
        return QStringLiteral("ACE15");
    case 5:
        return QStringLiteral("ACE16");
    default:
        return QStringLiteral("ACE17");
    }
}

std::optional<JetHeader> ParseJetHeader(const QByteArray& start, QString* whyNot) {
    auto fail = [whyNot](const char* reason) -> std::optional<JetHeader> {
        if (whyNot)
            *whyNot = QString::fromLatin1(reason);
        return std::nullopt;
    };
    if (start.size() < kJetHeaderBytes)
        return fail("The file is too short to be an Access database.");
    static const char kMagic[] = {0x00, 0x01, 0x00, 0x00};
    if (std::memcmp(start.constData(), kMagic, sizeof kMagic) != 0)
        return fail("The file does not start with an Access database header.");
    QByteArray engine = start.mid(4, 15);
    if (engine != "Standard Jet DB" && engine != "Standard ACE DB")
        return fail("The file does not start with an Access database header.");
    JetHeader h;
    h.version = static_cast<quint8>(start[kVersionOffset]);
    if (h.version > kHighestKnownVersion)
        return fail("The file's format version is unknown.");
    if ((engine == "Standard ACE DB") != h.IsAce())
        return fail("The file's format version does not match its header.");
    h.pageSize = h.IsJet3() ? 2048 : 4096;

    QByteArray page = unmasked(start, h.version);
    h.codePage = qFromLittleEndian<quint16>(page.constData() + kCodePageOffset);
    h.encodingKey = qFromLittleEndian<quint32>(page.constData() + kKeyOffset);
    if (h.IsOfficeEncrypted())
        return h; // the password field holds encryption data, not a password

    QByteArray pw = page.mid(kPasswordOffset, passwordBytes(h.version));
    if (h.IsJet3()) {
        qsizetype end = pw.indexOf('\0');
        h.password = decodeJet3(end < 0 ? pw : pw.left(end), h.codePage);
    } else {
        std::array<quint8, 4> mask = dateMask(page);
        for (qsizetype i = 0; i < pw.size(); ++i)
            pw[i] = static_cast<char>(pw[i] ^ mask[i % 4]);
        h.password = Utf16UntilNul(pw);
    }
    return h;
}

QByteArray ToggleJetHeaderMask(const QByteArray& start) {
    if (start.size() < kJetHeaderBytes)
        return start;
    QByteArray out = start;
    out.replace(0, kJetHeaderBytes, unmasked(start, static_cast<quint8>(start[kVersionOffset])));
    return out;
}

QByteArray WithJetPassword(const QByteArray& start, const QString& password) {
    std::optional<JetHeader> h = ParseJetHeader(start);
    if (!h || h->IsOfficeEncrypted())
        return start;
    QByteArray page = unmasked(start, h->version);
    QByteArray pw(passwordBytes(h->version), '\0');
    if (h->IsJet3()) {
        QByteArray bytes = encodeJet3(password, h->codePage).left(pw.size());
        std::memcpy(pw.data(), bytes.constData(), bytes.size());
    } else {
        for (qsizetype i = 0; i < password.size() && 2 * i + 1 < pw.size(); ++i)
            qToLittleEndian<quint16>(password[i].unicode(), pw.data() + 2 * i);
        std::array<quint8, 4> mask = dateMask(page);
        for (qsizetype i = 0; i < pw.size(); ++i)
            pw[i] = static_cast<char>(pw[i] ^ mask[i % 4]);
    }
    page.replace(kPasswordOffset, pw.size(), pw);
    QByteArray out = start;
    out.replace(0, kJetHeaderBytes, unmasked(page, h->version));
    return out;
}

} // namespace vantor
