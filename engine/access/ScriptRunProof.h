#pragma once

#include "engine/access/WriterProtocol.h"
#include "engine/snapshot/JetDdlStatements.h"
#include "model/Schema.h"

#include <QList>
#include <QSet>
#include <QString>
#include <functional>
#include <optional>

namespace vantor {

// One batch of a script bound for an Access file, and how messages name it to the user.
struct AccessBatch {
    QString text;
    QString label; // e.g. "Batch 3 (lines 5-7)"
};

using StatementVerdict = std::function<std::optional<QString>(const DdlStatement&)>;

// Parses every batch and asks the writer whether it can run each; raises Error naming the
// first batch that cannot run, so that nothing is written for a script that would stop there.
QList<DdlStatement> CheckBatchesWritable(const QList<AccessBatch>& batches,
                                         const StatementVerdict& whyNotWritable);

// What running the batches on an in-memory copy of the original's schema gives.
struct PredictedRun {
    qint32 runnable = 0; // the batches before the first that fails on the copy
    std::optional<ApplyFailure> failure;
};
// Runs the batches on a copy of schema as far as they go; raises Error, before anything is
// written, for a statement that changes a linked table or relates to one.
PredictedRun PredictRun(const Schema& original, const QList<AccessBatch>& batches,
                        const QList<DdlStatement>& statements);
// The schema after the first count batches, which PredictRun found to run.
Schema PredictedSchema(const Schema& original, const QList<AccessBatch>& batches, qint32 count);

// The tables whose rows statements may change, and those they make anew (folded names).
struct RowEffects {
    QSet<QString> changed;
    QSet<QString> created;
};
RowEffects RowEffectsOf(const QList<DdlStatement>& statements);

// What the file written differs in from what the statements should have made: the schema read
// back against the predicted one, every object equal, and the rows of each table against the
// original's, the same where no statement changed them, as many where only columns changed, none
// in a new table. Empty when nothing differs.
QStringList WhatDiffers(const Schema& predicted, const Schema& readBack, const RowEffects& effects,
                        const QList<TableRowDigest>& before, const QList<TableRowDigest>& after);

} // namespace vantor
