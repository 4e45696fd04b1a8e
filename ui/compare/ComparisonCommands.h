#pragma once

#include "engine/Source.h"

#include <QObject>

class QWidget;

namespace vantor {

class Desktop;
class Session;

// Starts the session's comparisons for the windows (connect, refresh) and tells the user how
// each one ended, once the work in the background is done.
class ComparisonCommands : public QObject {
    Q_OBJECT

public:
    ComparisonCommands(Session& session, Desktop& desktop, QObject* parent = nullptr);

    // Names both databases and compares them; connected() or connectFailed() follows.
    void connectDatabases(const DatabaseLogin& primary, const DatabaseLogin& secondary);
    // Compares the named databases again.
    void refresh();

Q_SIGNALS:
    void connected();
    // The connection failed or was cancelled; the user may correct the names and try again.
    void connectFailed();

private:
    enum class Pending { Nothing, Connect, Refresh };

    void onCompared();
    void onFailed(const QString& reason);
    void onCancelled();

    Session& session_;
    Desktop& desktop_;
    Pending pending_ = Pending::Nothing;
};

} // namespace vantor
