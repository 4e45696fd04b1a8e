#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>

namespace vantor {

// Where things are in the text of a JSON document that parsed, which the parsed values no
// longer tell: QJsonDocument keeps only the last of two equal keys and forgets offsets.
struct JsonLayout {
    // The first key given twice in one object, at the byte offset of its second occurrence.
    struct RepeatedKey {
        QString key;
        QString where; // "the document", "tables[2]", ...
        qsizetype offset = 0;
    };
    std::optional<RepeatedKey> repeated;
    // The byte offset of each element of the document's top-level arrays, by its place
    // ("tables[2]").
    QHash<QString, qsizetype> elementOffsets;
};

// Scans a document that QJsonDocument accepted.
JsonLayout ScanJsonLayout(const QByteArray& data);

} // namespace vantor
