#pragma once

#include "cli/CommandParser.h"
#include "cli/ProgressLine.h"
#include "engine/CompareSettings.h"
#include "model/Kinds.h"

#include <QStringList>

namespace vantor {
struct BatchFailure;
}

namespace vantor::cli {

// Each command takes the words after its name and answers the exit code.
int CompareCommand(const QStringList& args);
int ScriptCommand(const QStringList& args);
int SnapshotCommand(const QStringList& args);
int RunCommand(const QStringList& args);
int VerifyCommand(const QStringList& args);
int DumpCommand(const QStringList& args);
int GitSetupCommand(const QStringList& args);

// Options several commands share.
void AddOutputOption(CommandParser& parser);
void AddQuietOption(CommandParser& parser);
void AddAllOption(CommandParser& parser);
// --kinds, --exclude and --show-hidden: which objects a command takes in.
void AddSelectionOptions(CommandParser& parser);
// The selection options with --ignore-case and --ignore-whitespace, and the settings they give;
// --all, where the command has it, shows hidden objects too.
void AddCompareOptions(CommandParser& parser);
CompareSettings CompareSettingsOf(const CommandParser& parser);
// --target primary|secondary as the database side.
void AddTargetOption(CommandParser& parser);
Side TargetSide(const CommandParser& parser);
QString SideName(Side side);
// "Batch N (lines a-b) failed: " and the provider's text.
QString FailedBatchSentence(const BatchFailure& failure);

// Whether a command draws its progress line: when stderr is a terminal and --quiet was not
// given.
bool ShowsProgress(const CommandParser& parser);

} // namespace vantor::cli
