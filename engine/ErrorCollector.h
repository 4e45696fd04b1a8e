#pragma once

#include <QMetaObject>
#include <QStringList>

namespace vantor {

class clsEngine;

// Collects the errors an engine reports while the collector lives, in order and without
// repeats, so that a front end can give the provider's own reason (which names the file)
// rather than only the engine's summary of it.
class ErrorCollector {
public:
    explicit ErrorCollector(clsEngine& engine);
    ~ErrorCollector();
    ErrorCollector(const ErrorCollector&) = delete;
    ErrorCollector& operator=(const ErrorCollector&) = delete;

    const QStringList& Descriptions() const { return descriptions_; }
    QString First() const { return descriptions_.value(0); }

private:
    QMetaObject::Connection connection_;
    QStringList descriptions_;
};

} // namespace vantor
