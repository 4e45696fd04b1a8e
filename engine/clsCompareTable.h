#pragma once

#include "model/clsObject.h"

#include <QString>
#include <memory>

namespace vantor {

class clsEngine;

// Compares one object of the primary database with its namesake in the secondary database by
// the text each side writes for it.
class clsCompareTable {
public:
    // engine is the one whose collections are compared; none means the global Engine.
    explicit clsCompareTable(const clsEngine* engine = nullptr);

    std::shared_ptr<clsFields> FieldsPri() const { return fieldsPri_; }
    void FieldsPri(const std::shared_ptr<clsFields>& v) { fieldsPri_ = v; }
    std::shared_ptr<clsFields> FieldsSec() const { return fieldsSec_; }
    void FieldsSec(const std::shared_ptr<clsFields>& v) { fieldsSec_ = v; }

    // 1 when the CREATE TABLE texts of the two sides differ, else 0.
    qint16 CompareTable(const QString& sTableName);
    // 1 when the stored CREATE VIEW texts of the two sides differ, else 0.
    qint16 CompareView(const QString& sTableName);

private:
    const clsEngine* engine() const;
    qint16 compareObjects(const QString& sTableName, QString (*textOf)(const clsObject&));
    qint16 compareTexts(const QString& primary, const QString& secondary);

    const clsEngine* engine_;
    std::shared_ptr<clsFields> fieldsPri_;
    std::shared_ptr<clsFields> fieldsSec_;
    QString resultString_;
    QString fmtResultPri_;
    QString fmtResultSec_;
};

} // namespace vantor
