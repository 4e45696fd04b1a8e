#include "engine/Globals.h"
#include "engine/clsCompareTable.h"
#include "engine/clsEngine.h"
#include "model/VantorError.h"

namespace vantor {

namespace {

constexpr qint32 kConnectionClosed = 10002;
constexpr qint32 kCannotOpenSchemas = 10003;
constexpr qint32 kCompareFailed = 10004;

const QString kTable = QStringLiteral("TABLE");
const QString kView = QStringLiteral("VIEW");

VantorError objectNotSet() {
    return VantorError(err::ObjectNotSet,
                       QStringLiteral("Object variable or With block variable not set"));
}

qint32 stateOf(const std::shared_ptr<Connection>& cn) {
    if (!cn)
        throw objectNotSet();
    return cn->State();
}

std::shared_ptr<clsObject> objectOf(const std::shared_ptr<clsObjects>& side,
                                    const QString& sTable) {
    return side ? side->Item(QLatin1Char(':') + sTable) : nullptr;
}

bool hasField(const std::shared_ptr<clsObjects>& side, const QString& sField,
              const QString& sTable) {
    auto object = objectOf(side, sTable);
    return object && object->Fields() && object->Fields()->Item(sField);
}

void unloadWait() {
    try {
        Ui().UnloadWait();
    } catch (const std::exception&) {
        // A window that will not close does not change the outcome.
    }
}

} // namespace

bool clsEngine::Refresh() {
    bool reported = false;
    auto fail = [&](qint32 number, const QString& description) {
        reportError(number, description);
        reported = true;
    };
    try {
        for (const std::shared_ptr<Connection>* cn : {&CnPrimary, &CnSecondary}) {
            // Both connections are opened afresh either way; a failed open stops the refresh,
            // since comparing against a database that is not there reports every object of
            // the other one as missing.
            const bool wasClosed = stateOf(*cn) == adStateClosed;
            if (!DbOpen()) {
                if (wasClosed)
                    fail(kConnectionClosed, QStringLiteral("Connection Closed."));
                reported = true;
                break;
            }
        }
        if (!reported) {
            Ui().WaitCaption(QStringLiteral("Analyzing Tables..."));
            Ui().WaitProgress(3);
            Ui().ShowWait();
            if (!OpenSchemas())
                fail(kCannotOpenSchemas, QStringLiteral("Cannot open schemas."));
        }
        if (!reported) {
            const qint32 count = TablesSec->Count();
            for (qint32 i = 1; i <= count; ++i) {
                auto object = TablesSec->Item(i);
                if (!object)
                    throw objectNotSet();
                if (!TableExistInOne(object->Obj_Name())) {
                    object->Status(3);
                    Tables->Add(object, object->Obj_Key());
                }
            }
            if (!CompareAll())
                fail(kCompareFailed, QStringLiteral("Error in Compare Process."));
        }
    } catch (const std::exception& e) {
        reportError(e);
        reported = true;
    }
    if (reported)
        ForgetSchemas();
    unloadWait();
    return !reported;
}

bool clsEngine::CompareAll() {
    try {
        CompareObjects();
        return true;
    } catch (const std::exception& e) {
        reportError(e);
        return false;
    }
}

void clsEngine::CompareObjects() {
    if (!compareTable_)
        compareTable_ = std::make_unique<clsCompareTable>(this);
    const qint32 count = Tables->Count();
    for (qint32 i = 0; i < count; ++i) {
        auto object = Tables->Item(i + 1);
        if (!object)
            throw objectNotSet();
        if (object->Status() != 0)
            continue;
        if (object->xType() == kTable) {
            if (compareTable_->CompareTable(object->Obj_Name()) == 1)
                object->Status(1);
        } else if (object->xType() == kView) {
            if (compareTable_->CompareView(object->Obj_Name()) == 1)
                object->Status(1);
        }
    }
}

bool clsEngine::TableExistInOne(const QString& sTable) const {
    return objectOf(TablesPri, sTable) != nullptr;
}

bool clsEngine::TableExistInTwo(const QString& sTable) const {
    return objectOf(TablesSec, sTable) != nullptr;
}

bool clsEngine::FieldExistInTwo(const QString& sField, const QString& sTable) const {
    return hasField(TablesSec, sField, sTable);
}

bool clsEngine::FieldExistInOne(const QString& sField, const QString& sTable) const {
    return hasField(TablesPri, sField, sTable);
}

} // namespace vantor
