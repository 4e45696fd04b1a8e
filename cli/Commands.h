#pragma once

#include "cli/CommandParser.h"
#include "cli/ProgressLine.h"

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

// Options several commands share.
void AddOutputOption(CommandParser& parser);
void AddQuietOption(CommandParser& parser);
void AddAllOption(CommandParser& parser);
// --target primary|secondary as the database side: 0 or 1.
void AddTargetOption(CommandParser& parser);
int TargetSide(const CommandParser& parser);
QString SideName(int side);
// "Batch N (lines a-b) failed: " and the provider's text.
QString FailedBatchSentence(const BatchFailure& failure);

// The engine's wait window drawn as a progress line on stderr for as long as this lives,
// when stderr is a terminal and --quiet was not given.
class ProgressScope {
public:
    explicit ProgressScope(const CommandParser& parser);
    ~ProgressScope();
    ProgressScope(const ProgressScope&) = delete;
    ProgressScope& operator=(const ProgressScope&) = delete;

private:
    ProgressLine line_;
};

} // namespace vantor::cli
