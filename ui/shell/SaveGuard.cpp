#include "ui/shell/SaveGuard.h"

#include "engine/FileIdentity.h"
#include "engine/Session.h"
#include "ui/shell/Desktop.h"

namespace vantor {

bool RefuseHarmfulSave(Desktop& desktop, const Session& session, const QString& path) {
    const QString hazard = OutputHazard(
        path, {{QStringLiteral("primary database"), session.login(Side::Primary).path},
               {QStringLiteral("secondary database"), session.login(Side::Secondary).path}});
    if (hazard.isEmpty())
        return false;
    desktop.MsgBox(hazard, mb::Critical, QStringLiteral("Not saved"));
    return true;
}

} // namespace vantor
