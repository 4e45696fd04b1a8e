#pragma once

#include "engine/Connection.h"
#include "engine/UserInterface.h"

#include <memory>

namespace vantor {

class clsEngine;

// The program-wide state that every window and the engine share: the two database connections
// (which outlive engines), the current engine, and the windows the core talks to.
extern std::shared_ptr<Connection> CnPrimary;
extern std::shared_ptr<Connection> CnSecondary;
extern std::shared_ptr<clsEngine> Engine;

UserInterface& Ui();
// The core does not own ui; nullptr returns to the silent interface.
void SetUi(UserInterface* ui);

// Forgets connections and engine and returns to the silent interface; for tests and shutdown.
void ResetGlobals();

} // namespace vantor
