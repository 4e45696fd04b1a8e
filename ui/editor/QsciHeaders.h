#pragma once

// QScintilla's headers use the plain signals/slots keywords that this project switches off.
#define signals Q_SIGNALS
#define slots Q_SLOTS
#include <Qsci/qscilexersql.h>
#include <Qsci/qsciscintilla.h>
#undef signals
#undef slots
