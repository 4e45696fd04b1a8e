#include "ui/shell/Messages.h"

#include "engine/Globals.h"

namespace vantor {

QString CannotOpenMessage(const QString& reason) {
    return reason.isEmpty() ? kCannotOpenDatabase
                            : kCannotOpenDatabase + QStringLiteral("\n\n") + reason;
}

bool EngineOrWarn() {
    if (Engine)
        return true;
    Ui().MsgBox(kOpenDatabaseFirst, mb::Exclamation);
    return false;
}

} // namespace vantor
