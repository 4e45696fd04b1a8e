#include "engine/Connection.h"

#include "model/VantorError.h"

namespace vantor {

namespace {
constexpr qint32 kOperationNotAllowedWhenOpen = 3705;
}

BackendSession& Connection::session() const {
    if (!session_)
        throw VantorError(err::OperationNotAllowedWhenClosed,
                          QStringLiteral("Operation is not allowed when the object is closed."));
    return *session_;
}

void Connection::Close() {
    session();
    session_.reset();
}

ConnectionProperty& Connection::Properties(const QString& name) {
    return properties_[name.toCaseFolded()];
}

void Connection::Open(const QString& ConnectionString, const QString& UserID,
                      const QString& Password, qint32 Options) {
    Q_UNUSED(ConnectionString);
    Q_UNUSED(Options);
    if (session_)
        throw VantorError(kOperationNotAllowedWhenOpen,
                          QStringLiteral("Operation is not allowed when the object is open."));
    OpenRequest request;
    request.provider = provider_;
    request.dataSource = Properties(prop::DataSource).Value().toString();
    // Arguments of Open win over the properties, as they do in ADO; the engine passes them empty.
    request.userId = UserID.isEmpty() ? Properties(prop::UserId).Value().toString() : UserID;
    request.password =
        Password.isEmpty() ? Properties(prop::Password).Value().toString() : Password;
    session_ = BackendRegistry::Instance().Open(request);
}

std::shared_ptr<Recordset> Connection::OpenSchema(qint32 Schema, const QVariantList& Criteria) {
    return session().OpenSchema(Schema, Criteria);
}

void Connection::PrefetchSchema() {
    session().Prefetch();
}

std::shared_ptr<Recordset> Connection::Execute(const QString& CommandText, qint32 Options) {
    Q_UNUSED(Options);
    session().Execute(CommandText);
    return std::make_shared<Recordset>(QStringList(), QList<QVariantList>());
}

} // namespace vantor
