#pragma once

#include "engine/Globals.h"
#include "engine/clsEngine.h"
#include "engine/memory/MemoryBackend.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RecordingUserInterface.h"

#include <gtest/gtest.h>

namespace vantor::test {

// Fresh globals, two empty in-memory databases "memory:pri" and "memory:sec", and a recorder
// in place of the windows.
class EngineFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ResetGlobals();
        MemoryDatabase::DropAll();
        pri = MemoryDatabase::Create("pri");
        sec = MemoryDatabase::Create("sec");
        SetUi(&ui);
        Engine = std::make_shared<clsEngine>();
    }
    void TearDown() override {
        ResetGlobals();
        MemoryDatabase::DropAll();
    }

    void pointAtBoth() {
        Engine->DbPathPrimary("memory:pri");
        Engine->DbPathSecondary("memory:sec");
        Engine->DbUserPrimary("Admin");
        Engine->DbUserSecondary("Admin");
    }

    std::shared_ptr<MemoryDatabase> pri;
    std::shared_ptr<MemoryDatabase> sec;
    RecordingUserInterface ui;
};

} // namespace vantor::test
