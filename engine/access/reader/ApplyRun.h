#pragma once

#include "engine/access/writer/JetWriter.h"

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

namespace vantor {

using WriterOpener = std::function<std::unique_ptr<JetFileWriter>(const QString& path)>;

// Applies the batches of request (see ApplyRequestToJson) to the file one at a time, flushes
// what ran and writes the answer (ApplyAnswerToJson) to answerFd; returns the reader's exit code.
// The first failing batch ends the run and leaves no trace; stopRequested is asked before each
// batch. A file the writer cannot open or flush gives writerexit::NotWritten and no answer.
int RunApply(const QString& path, const QByteArray& request, int answerFd,
             const WriterOpener& openWriter, const std::function<bool()>& stopRequested);

} // namespace vantor
