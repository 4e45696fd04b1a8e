#include "engine/Globals.h"

#include "engine/clsEngine.h"

namespace vantor {

std::shared_ptr<Connection> CnPrimary;
std::shared_ptr<Connection> CnSecondary;
std::shared_ptr<clsEngine> Engine;

namespace {
SilentUserInterface silentUi;
UserInterface* currentUi = &silentUi;
} // namespace

UserInterface& Ui() {
    return *currentUi;
}

void SetUi(UserInterface* ui) {
    currentUi = ui ? ui : &silentUi;
}

void ResetGlobals() {
    Engine.reset();
    CnPrimary.reset();
    CnSecondary.reset();
    SetUi(nullptr);
}

} // namespace vantor
