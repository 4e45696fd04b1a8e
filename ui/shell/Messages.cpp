#include "ui/shell/Messages.h"

#include "engine/Globals.h"

namespace vantor {

bool EngineOrWarn() {
    if (Engine)
        return true;
    Ui().MsgBox(kOpenDatabaseFirst, mb::Exclamation);
    return false;
}

} // namespace vantor
