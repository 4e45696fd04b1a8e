#include "engine/clsCompareTable.h"

#include "engine/Globals.h"
#include "engine/clsEngine.h"

namespace vantor {

namespace {

std::shared_ptr<clsObject> lookUp(const std::shared_ptr<clsObjects>& side, const QString& key) {
    return side ? side->Item(key) : nullptr;
}

} // namespace

clsCompareTable::clsCompareTable(const clsEngine* engine) : engine_(engine) {}

const clsEngine* clsCompareTable::engine() const {
    return engine_ ? engine_ : Engine.get();
}

qint16 clsCompareTable::compareTexts(const QString& primary, const QString& secondary) {
    qint16 result = 0;
    // Exact comparison on purpose: a change of letter case or spacing is a change.
    if (secondary != primary) {
        result = 1;
        resultString_ = primary;
    }
    fmtResultPri_ = primary;
    fmtResultSec_ = secondary;
    return result;
}

qint16 clsCompareTable::compareObjects(const QString& sTableName,
                                       QString (*textOf)(const clsObject&)) {
    const clsEngine* e = engine();
    if (!e)
        return compareTexts(QString(), QString());
    const QString key = QLatin1Char(':') + sTableName;
    if (auto combined = lookUp(e->Tables, key); combined && combined->Status() >= 1)
        return 0;
    auto primary = lookUp(e->TablesPri, key);
    auto secondary = lookUp(e->TablesSec, key);
    return compareTexts(primary ? textOf(*primary) : QString(),
                        secondary ? textOf(*secondary) : QString());
}

qint16 clsCompareTable::CompareTable(const QString& sTableName) {
    return compareObjects(sTableName, [](const clsObject& o) { return o.SqlCreate(); });
}

qint16 clsCompareTable::CompareView(const QString& sTableName) {
    return compareObjects(sTableName, [](const clsObject& o) { return o.Obj_Text(); });
}

} // namespace vantor
