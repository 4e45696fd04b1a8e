#include "tests/support/MemorySource.h"
#include "tests/support/SchemaPair.h"

#include <QHash>
#include <QMutex>
#include <QThread>

namespace vantor {

namespace {

QMutex& registryMutex() {
    static QMutex mutex;
    return mutex;
}

QHash<QString, std::shared_ptr<MemoryDatabase>>& registry() {
    static QHash<QString, std::shared_ptr<MemoryDatabase>> databases;
    return databases;
}

class MemorySource : public Source {
public:
    explicit MemorySource(std::shared_ptr<MemoryDatabase> db) : db_(std::move(db)) {}

    void execute(const QString& statement) override {
        db_->executing = true;
        while (db_->holdExecutes.load())
            QThread::msleep(2);
        db_->executing = false;
        db_->executed.append(statement);
        if (db_->failExecute)
            throw *db_->failExecute;
    }

protected:
    Schema load() override {
        // A held read waits as a slow file would, and stops as the reader does when cancelled.
        while (db_->holdReads.load()) {
            if (stopToken().stop_requested())
                throw WorkCancelled();
            QThread::msleep(2);
        }
        ++db_->reads;
        if (db_->failRead)
            throw *db_->failRead;
        return db_->schema;
    }

private:
    std::shared_ptr<MemoryDatabase> db_;
};

} // namespace

TableBuilder& TableBuilder::Column(const QString& name, qint32 dataType,
                                   std::optional<qint32> maxLength, bool nullable) {
    vantor::Column c;
    c.name = name;
    c.dataType = dataType;
    c.maxLength = maxLength;
    c.nullable = nullable;
    c.ordinal = static_cast<qint32>(table_.columns.size() + 1);
    table_.columns.append(c);
    return *this;
}

TableBuilder MemoryDatabase::AddTable(const QString& name, ObjectKind kind) {
    return test::SchemaPair::addTable(schema, name, kind);
}

void MemoryDatabase::AddView(const QString& name, const QString& definition) {
    schema.views.append({name, definition});
}

std::shared_ptr<MemoryDatabase> MemoryDatabase::Create(const QString& name) {
    QMutexLocker lock(&registryMutex());
    auto db = std::make_shared<MemoryDatabase>();
    registry().insert(name, db);
    return db;
}

std::shared_ptr<MemoryDatabase> MemoryDatabase::Find(const QString& name) {
    QMutexLocker lock(&registryMutex());
    return registry().value(name);
}

void MemoryDatabase::DropAll() {
    QMutexLocker lock(&registryMutex());
    registry().clear();
}

std::unique_ptr<Source> OpenTestDatabase(const DatabaseLogin& login) {
    if (!login.path.startsWith(kMemoryPrefix))
        return OpenDatabaseFile(login);
    auto db = MemoryDatabase::Find(login.path.mid(kMemoryPrefix.size()));
    if (!db)
        throw Error(ErrorCode::Provider,
                    QStringLiteral("Could not find file '%1'.").arg(login.path));
    db->opens.append(login);
    if (db->failOpen)
        throw *db->failOpen;
    return std::make_unique<MemorySource>(db);
}

} // namespace vantor
