#pragma once

#include "engine/Backend.h"

#include <QMap>
#include <QString>
#include <QVariant>
#include <memory>

namespace vantor {

constexpr qint32 adStateClosed = 0;
constexpr qint32 adStateOpen = 1;

class ConnectionProperty {
public:
    QVariant Value() const { return value_; }
    void Value(const QVariant& v) { value_ = v; }

private:
    QVariant value_;
};

// A database connection with the operations the engine and the script runner use; the back
// end behind it is chosen from the "Data Source" property when it opens.
class Connection {
public:
    qint32 State() const { return session_ ? adStateOpen : adStateClosed; }
    void Close();

    QString Provider() const { return provider_; }
    void Provider(const QString& v) { provider_ = v; }

    // Named settings taken by the next Open ("Data Source", "User Id", "Password").
    ConnectionProperty& Properties(const QString& name);

    void Open(const QString& ConnectionString = QString(), const QString& UserID = QString(),
              const QString& Password = QString(), qint32 Options = -1);

    std::shared_ptr<Recordset> OpenSchema(qint32 Schema, const QVariantList& Criteria = {});
    // Lets the back end start reading the schema while other work goes on.
    void PrefetchSchema();

    // Runs one statement at once; the records-affected count is not kept.
    std::shared_ptr<Recordset> Execute(const QString& CommandText, qint32 Options = -1);

private:
    BackendSession& session() const;

    QString provider_;
    QMap<QString, ConnectionProperty> properties_; // keyed case-folded, like ADO's lookup
    std::unique_ptr<BackendSession> session_;
};

namespace prop {
inline const QString DataSource = QStringLiteral("Data Source");
inline const QString UserId = QStringLiteral("User Id");
inline const QString Password = QStringLiteral("Password");
} // namespace prop

} // namespace vantor
