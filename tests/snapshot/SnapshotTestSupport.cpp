#include "tests/snapshot/SnapshotTestSupport.h"

#include <QFile>
#include <gtest/gtest.h>

namespace vantor::test {

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void WriteBytes(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(data), data.size());
}

std::shared_ptr<Connection> OpenDatabase(const QString& dataSource, const QString& user,
                                         const QString& password) {
    auto cn = std::make_shared<Connection>();
    cn->Provider(QStringLiteral("Microsoft.Jet.OLEDB.4.0"));
    cn->Properties(prop::DataSource).Value(dataSource);
    cn->Properties(prop::UserId).Value(user);
    cn->Properties(prop::Password).Value(password);
    cn->Open(QString(), QString(), QString(), -1);
    return cn;
}

QStringList RowsetColumn(Connection& cn, qint32 schema, const QString& column,
                         const QVariantList& criteria) {
    auto rs = cn.OpenSchema(schema, criteria);
    QStringList values;
    for (; !rs->Eof(); rs->MoveNext())
        values << rs->Fields(column).Value().toString();
    return values;
}

} // namespace vantor::test
