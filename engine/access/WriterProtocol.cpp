#include "engine/access/WriterProtocol.h"

#include "model/Error.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace vantor {

namespace {

QJsonObject objectOf(const QByteArray& json, const char* what) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        throw Error(ErrorCode::Provider, QStringLiteral("The %1 is not valid: %2.")
                                             .arg(QString::fromLatin1(what),
                                                  error.error != QJsonParseError::NoError
                                                      ? error.errorString()
                                                      : QStringLiteral("it is not a JSON object")));
    return document.object();
}

} // namespace

QByteArray RowDigestsToJson(const QList<TableRowDigest>& digests) {
    QJsonArray tables;
    for (const TableRowDigest& d : digests)
        tables.append(QJsonObject{{QStringLiteral("name"), d.table},
                                  {QStringLiteral("rows"), d.rows},
                                  {QStringLiteral("sha256"), QString::fromLatin1(d.sha256)}});
    return QJsonDocument(QJsonObject{{QStringLiteral("tables"), tables}})
        .toJson(QJsonDocument::Compact);
}

QList<TableRowDigest> RowDigestsFromJson(const QByteArray& json) {
    const QJsonValue tables = objectOf(json, "row digest")[QStringLiteral("tables")];
    if (!tables.isArray())
        throw Error(ErrorCode::Provider, QStringLiteral("The row digest lists no tables."));
    QList<TableRowDigest> out;
    for (const QJsonValue& t : tables.toArray()) {
        const QJsonObject o = t.toObject();
        const QString name = o[QStringLiteral("name")].toString();
        const QString sha = o[QStringLiteral("sha256")].toString();
        if (name.isEmpty() || sha.size() != 64 || !o[QStringLiteral("rows")].isDouble())
            throw Error(ErrorCode::Provider,
                        QStringLiteral("The row digest holds an entry without a table name, "
                                       "a row count or a SHA-256."));
        out.append({name, o[QStringLiteral("rows")].toInteger(), sha.toLatin1()});
    }
    return out;
}

QByteArray ApplyRequestToJson(const QStringList& batches) {
    return QJsonDocument(
               QJsonObject{{QStringLiteral("batches"), QJsonArray::fromStringList(batches)}})
        .toJson(QJsonDocument::Compact);
}

QStringList ApplyRequestFromJson(const QByteArray& json) {
    const QJsonValue batches = objectOf(json, "list of batches")[QStringLiteral("batches")];
    if (!batches.isArray())
        throw Error(ErrorCode::Provider, QStringLiteral("The request lists no batches."));
    QStringList out;
    for (const QJsonValue& b : batches.toArray()) {
        if (!b.isString())
            throw Error(ErrorCode::Provider, QStringLiteral("A batch of the request is no text."));
        out << b.toString();
    }
    return out;
}

QByteArray ApplyAnswerToJson(const ApplyAnswer& answer) {
    QJsonObject root{{QStringLiteral("applied"), answer.applied},
                     {QStringLiteral("stopped"), answer.stopped}};
    if (answer.failure)
        root.insert(QStringLiteral("failure"),
                    QJsonObject{{QStringLiteral("batch"), answer.failure->batch},
                                {QStringLiteral("number"), answer.failure->number},
                                {QStringLiteral("description"), answer.failure->description}});
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

ApplyAnswer ApplyAnswerFromJson(const QByteArray& json) {
    const QJsonObject root = objectOf(json, "writer's answer");
    ApplyAnswer answer;
    if (!root[QStringLiteral("applied")].isDouble())
        throw Error(ErrorCode::Provider, QStringLiteral("The writer's answer is incomplete."));
    answer.applied = root[QStringLiteral("applied")].toInt();
    answer.stopped = root[QStringLiteral("stopped")].toBool();
    const QJsonValue failure = root[QStringLiteral("failure")];
    if (failure.isObject()) {
        const QJsonObject f = failure.toObject();
        answer.failure =
            ApplyFailure{f[QStringLiteral("batch")].toInt(), f[QStringLiteral("number")].toInt(),
                         f[QStringLiteral("description")].toString()};
        if (answer.failure->batch != answer.applied)
            throw Error(ErrorCode::Provider,
                        QStringLiteral("The writer's answer names a failed batch that is not "
                                       "the one after those it ran."));
    }
    if (answer.applied < 0)
        throw Error(ErrorCode::Provider, QStringLiteral("The writer's answer is incomplete."));
    return answer;
}

} // namespace vantor
