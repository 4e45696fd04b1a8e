#include "engine/UserInterface.h"

namespace vantor {

int SilentUserInterface::MsgBox(const QString&, int buttons, const QString&) {
    int kind = buttons & 7;
    if (kind == mb::YesNo || kind == mb::YesNoCancel)
        return mb::Yes;
    return mb::OK;
}

} // namespace vantor
