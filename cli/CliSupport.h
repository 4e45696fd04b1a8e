#pragma once

#include "engine/FileIdentity.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <stdexcept>

namespace vantor::cli {

// Exit codes as diff tools have them.
enum ExitCode : int { ExitEqual = 0, ExitDifferent = 1, ExitTrouble = 2 };

// Ends a command with exit code 2 and its message on stderr.
class CliError : public std::runtime_error {
public:
    explicit CliError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    QString Message() const { return message_; }

private:
    QString message_;
};

// A command line the command cannot make sense of; the message ends with where to find help.
class UsageError : public CliError {
public:
    using CliError::CliError;
};

// Ends the command before anything is read or written when output (a path given to -o) would
// replace one of inputs or any Access database.
void RefuseHarmfulOutput(const QString& output, const std::vector<NamedInput>& inputs);

// Writes the bytes whole to path (replacing it only once they are all written), or to standard
// output when path is empty.
void WriteOutput(const QString& path, const QByteArray& bytes);
// The same for a text made in pieces: produce hands each to the writer it is given, in order.
using OutputPieceWriter = std::function<void(QByteArrayView)>;
void WriteOutputInPieces(const QString& path,
                         const std::function<void(const OutputPieceWriter&)>& produce);

// A line on stderr, for notes and errors.
void PrintError(const QString& line);

} // namespace vantor::cli
