#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace vantor {

// What a type name of a column definition makes of the column, as Jet reports it back.
struct JetColumnType {
    qint32 dataType = 0;
    std::optional<qint32> maxLength;
    bool autoNumber = false;
    bool alwaysRequired = false; // Yes/No columns never accept NULL
    std::optional<qint32> precision;
    std::optional<qint32> scale;
};

enum class JetTypeProblem { None, UnknownName, BadArguments, TooLong };

struct JetTypeResult {
    JetColumnType type;
    JetTypeProblem problem = JetTypeProblem::None;
};

// Resolves a type name (any letter case) with the numbers given in parentheses after it.
JetTypeResult ResolveJetType(const QString& name, const QList<qint64>& arguments);

} // namespace vantor
