#include "engine/ErrorCollector.h"

#include "engine/clsEngine.h"

namespace vantor {

ErrorCollector::ErrorCollector(clsEngine& engine) {
    connection_ = QObject::connect(&engine, &clsEngine::ErrorEvents,
                                   [this](qint32, const QString& description) {
                                       if (!descriptions_.contains(description))
                                           descriptions_ << description;
                                   });
}

ErrorCollector::~ErrorCollector() {
    QObject::disconnect(connection_);
}

} // namespace vantor
