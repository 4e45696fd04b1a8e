#include "engine/clsEngine.h"

#include "engine/Globals.h"
#include "engine/clsCompareTable.h"
#include "model/VantorError.h"

namespace vantor {

namespace {
constexpr qint32 kNoDatabases = 1001;
const QString kProvider = QStringLiteral("Microsoft.Jet.OLEDB.4.0");
} // namespace

clsEngine::clsEngine(QObject* parent) : QObject(parent) {}

clsEngine::~clsEngine() = default;

void clsEngine::reportError(qint32 number, const QString& description) {
    errNumber_ = number;
    errDescription_ = description;
    Q_EMIT ErrorEvents(errNumber_, errDescription_);
}

void clsEngine::reportError(const std::exception& e) {
    if (const auto* ve = dynamic_cast<const VantorError*>(&e))
        reportError(ve->Number(), ve->Description());
    else
        reportError(err::Provider, QString::fromLocal8Bit(e.what()));
}

void clsEngine::openSide(std::shared_ptr<Connection>& cn, const QString& path, const QString& user,
                         const QString& password) {
    if (!cn)
        cn = std::make_shared<Connection>();
    if (cn->State() == adStateOpen)
        cn->Close();
    cn->Provider(kProvider);
    cn->Properties(prop::DataSource).Value(path);
    cn->Properties(prop::UserId).Value(user);
    cn->Properties(prop::Password).Value(password);
    cn->Open(QString(), QString(), QString(), -1);
}

bool clsEngine::DbOpen() {
    if (dbPathPrimary_.isEmpty() && dbPathSecondary_.isEmpty()) {
        reportError(kNoDatabases, QStringLiteral("Enter Primary and Secondary Database"));
        return false;
    }
    try {
        Ui().WaitCaption(QStringLiteral("Opening primary database..."));
        Ui().WaitProgress(1);
        openSide(CnPrimary, dbPathPrimary_, dbUserPrimary_, dbPassPrimary_);
        Ui().WaitCaption(QStringLiteral("Opening Secondary database..."));
        Ui().WaitProgress(1);
        openSide(CnSecondary, dbPathSecondary_, dbUserSecondary_, dbPassSecondary_);
    } catch (const std::exception& e) {
        reportError(e);
        return false;
    }
    try {
        Ui().UnloadWait();
    } catch (...) {
        // An unload failure does not undo a successful open.
    }
    return true;
}

} // namespace vantor
