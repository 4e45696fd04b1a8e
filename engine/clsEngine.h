#pragma once

#include "model/clsObjects.h"

#include <QObject>
#include <QStringList>
#include <memory>

namespace vantor {

class Connection;
class clsCompareTable;

// The compare engine: the settings of the two databases, opening them, loading and comparing
// their schemas. One lives at a time in the global Engine.
class clsEngine : public QObject {
    Q_OBJECT

public:
    explicit clsEngine(QObject* parent = nullptr);
    ~clsEngine() override;

    // The combined list: after loading the very collection of TablesPri, with the objects that
    // only the secondary database has appended by Refresh.
    std::shared_ptr<clsObjects> Tables = std::make_shared<clsObjects>();
    std::shared_ptr<clsObjects> TablesPri = std::make_shared<clsObjects>();
    std::shared_ptr<clsObjects> TablesSec = std::make_shared<clsObjects>();
    // Differing stretches of the last CmpString; empty until the first call.
    QStringList PosDiffPri;

    void CmpString(const QString& src, const QString& tgt);
    bool Refresh();
    bool TableExistInOne(const QString& sTable) const;
    bool TableExistInTwo(const QString& sTable) const;
    bool FieldExistInTwo(const QString& sField, const QString& sTable) const;
    bool FieldExistInOne(const QString& sField, const QString& sTable) const;
    bool DbOpen();

    QString DbPassSecondary() const { return dbPassSecondary_; }
    void DbPassSecondary(const QString& v) { dbPassSecondary_ = v; }
    QString DbPassPrimary() const { return dbPassPrimary_; }
    void DbPassPrimary(const QString& v) { dbPassPrimary_ = v; }
    QString DbUserSecondary() const { return dbUserSecondary_; }
    void DbUserSecondary(const QString& v) { dbUserSecondary_ = v; }
    QString DbUserPrimary() const { return dbUserPrimary_; }
    void DbUserPrimary(const QString& v) { dbUserPrimary_ = v; }
    QString DbPathSecondary() const { return dbPathSecondary_; }
    void DbPathSecondary(const QString& v) { dbPathSecondary_ = v; }
    QString DbPathPrimary() const { return dbPathPrimary_; }
    void DbPathPrimary(const QString& v) { dbPathPrimary_ = v; }

    // The last reported error, for front ends that explain a failure beyond the Boolean result.
    qint32 ErrNumber() const { return errNumber_; }
    QString ErrDescription() const { return errDescription_; }

Q_SIGNALS:
    void ErrorEvents(qint32 ErrNumber, const QString& ErrDescription);

private:
    // Stores the error and notifies the observers.
    void reportError(qint32 number, const QString& description);
    void reportError(const std::exception& e);
    void openSide(std::shared_ptr<Connection>& cn, const QString& path, const QString& user,
                  const QString& password);

    // Schema loading: the driver, then each side's tables, columns and views. Any failure
    // leaves both sides empty.
    bool OpenSchemas();
    void ForgetSchemas();
    bool LoadTablesSec();
    bool LoadTablesPri();
    bool loadTables(Connection* cn, std::shared_ptr<clsObjects>& side, bool markPrimaryOnly);
    bool LoadFieldsPri();
    bool LoadFieldsSec();
    void loadFields(Connection* cn, const clsObjects& side);
    bool LoadViewsPri();
    bool LoadViewsSec();
    bool loadViews(Connection* cn, const clsObjects& side);

    // Comparison of every object present on both sides.
    bool CompareAll();
    void CompareObjects();

    qint32 errNumber_ = 0;
    QString errDescription_;
    QString dbPathPrimary_;
    QString dbPathSecondary_;
    QString dbUserPrimary_;
    QString dbUserSecondary_;
    QString dbPassPrimary_;
    QString dbPassSecondary_;
    QStringList diffWork_;
    std::unique_ptr<clsCompareTable> compareTable_; // one for the engine's life, made on first use
};

} // namespace vantor
