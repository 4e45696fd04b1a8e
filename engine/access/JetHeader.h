#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace vantor {

// What page 0 of an Access file says about it. Read by the parent before any page goes to libmdb,
// so a password or an encrypted file is refused without starting the reader.
struct JetHeader {
    int version = 0;      // byte 0x14: 0 Jet 3, 1 Jet 4, 2 and up ACE
    int pageSize = 4096;  // 2048 for Jet 3
    quint16 codePage = 0; // Windows code page of Jet 3 text; 0 means the system default
    quint32 encodingKey = 0;
    QString password; // the database password, empty when there is none

    bool IsJet3() const { return version == 0; }
    bool IsAce() const { return version >= 2; }
    // ACE keeps a non-zero key only for files encrypted with Office encryption; Jet 3 and Jet 4
    // use it for RC4-encoded pages, which libmdb reads.
    bool IsOfficeEncrypted() const { return IsAce() && encodingKey != 0; }
    // "JET3", "JET4", "ACE12" ... as the snapshot names the source format.
    QString FormatName() const;
};

// The size of the prefix ParseJetHeader needs.
constexpr int kJetHeaderBytes = 0x18 + 128;
// Page 0 of an ACE file, which also describes the file's Office encryption.
constexpr int kOfficeEncryptionPageBytes = 4096;

// Little-endian UTF-16 text up to its first NUL, as Access stores fixed-size names.
QString Utf16UntilNul(QByteArrayView bytes);

// Parses the start of a file; on failure returns nothing and says why in *whyNot.
std::optional<JetHeader> ParseJetHeader(const QByteArray& start, QString* whyNot = nullptr);

// Page 0 with its hidden part revealed, or hidden again: the mask undoes itself.
QByteArray ToggleJetHeaderMask(const QByteArray& start);

// The reverse for tests and tools: a copy of page 0 whose password field holds the given one.
QByteArray WithJetPassword(const QByteArray& start, const QString& password);

} // namespace vantor
