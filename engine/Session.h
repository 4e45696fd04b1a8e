#pragma once

#include "engine/Compare.h"
#include "engine/Source.h"

#include <QObject>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

class QThread;

namespace vantor {

// The two databases a user works with, their current comparison and what happened to them.
// Windows and commands receive the session; nothing else holds this state.
class Session : public QObject {
    Q_OBJECT

public:
    explicit Session(SourceOpener opener = OpenDatabaseFile, QObject* parent = nullptr);
    ~Session() override;

    const DatabaseLogin& login(Side side) const;
    void setLogin(Side side, const DatabaseLogin& login);

    // Opens both databases afresh. Raises the first error; then neither side is open.
    void open();
    // Opens both databases afresh, reads both schemas side by side and compares them. Any
    // failure raises, and the session keeps no comparison: half a picture is never compared.
    void refresh();
    // The same work on a worker thread, ending in compared(), refreshFailed() or
    // refreshCancelled() after workFinished(). startCompare names the databases first; a
    // cancelled comparison leaves the earlier databases, logins and comparison as they were.
    // Both answer false, and do nothing, while other work is under way.
    bool startRefresh();
    bool startCompare(const DatabaseLogin& primary, const DatabaseLogin& secondary);
    // Runs work on a worker thread, then done on the session's thread. While it runs the session
    // is busy: no other work starts and the open databases stay open, so work may use them.
    bool runInBackground(std::function<void(const std::stop_token&)> work,
                         std::function<void()> done);
    bool isBusy() const { return worker_ != nullptr; }
    // Asks the work under way to stop at its next chance.
    void cancel();
    // Waits for the work under way to end and hands over its outcome at once.
    void waitForWork();
    // Forgets both databases and the comparison, after stopping any work on them.
    void close();
    // Closes both databases but keeps the comparison and the logins, so that what is shown stays
    // and a refresh opens them again; stops any work on them first.
    void disconnect();
    // Whether a database was named for either side, so that a refresh has something to open.
    bool hasLogins() const;

    // What the next comparison takes in and how; the current one keeps its own.
    const CompareSettings& compareSettings() const { return settings_; }
    void setCompareSettings(const CompareSettings& settings) { settings_ = settings; }

    bool isOpen() const;
    // The current comparison; nullptr before the first one and after any failure.
    const Diff* diff() const { return diff_.get(); }
    // An open database, for running statements on it; raises when it is not open.
    Source& source(Side side);

    // What the last failed open or refresh reported: the reason (which names the file) first,
    // then the summary of the step that failed, if any.
    const QStringList& lastErrors() const { return lastErrors_; }

    // Adds a time-stamped line to the session's log: connects, refreshes, errors, script runs.
    void log(const QString& text);

Q_SIGNALS:
    // Work starts and ends; between them, captions say what is being done and value counts up
    // to 90 and starts again, marking activity rather than a share done.
    void workStarted();
    void progressed(const QString& caption, int value);
    void workFinished();
    // A new comparison is in place, or the last one was dropped.
    void compared();
    void cleared();
    // A comparison started in the background failed (the session then keeps none; the reason
    // names the file) or was cancelled (the session keeps what it had).
    void refreshFailed(const QString& reason);
    void refreshCancelled();
    void logged(const QString& stampedLine);

private:
    // What one comparison produced, built away from the session's state until it is adopted.
    struct Comparison {
        std::array<DatabaseLogin, 2> logins;
        CompareSettings settings;
        std::array<std::unique_ptr<Source>, 2> sources;
        std::shared_ptr<const Diff> diff;
        std::optional<Error> error;
        std::optional<Error> summary;
        bool cancelled = false;
        // The databases were open when the work began, so failing to open them again means
        // they were closed under the session.
        bool wasOpen = false;
    };

    void openSides();
    [[noreturn]] void fail(const Error& error, std::optional<Error> summary = std::nullopt);
    void recordFailure(const Error& error, const std::optional<Error>& summary);
    void step(const QString& caption);
    void readAndCompare(Comparison& work, const std::stop_token& stop);
    void adopt(Comparison& work);
    bool startComparison(std::array<DatabaseLogin, 2> logins, bool wasOpen);
    void finishWork();

    SourceOpener opener_;
    DatabaseLogin logins_[2];
    CompareSettings settings_;
    std::unique_ptr<Source> sources_[2];
    std::shared_ptr<const Diff> diff_;
    QStringList lastErrors_;
    int progress_ = 0;
    std::unique_ptr<QThread> worker_;
    std::stop_source stop_;
    std::function<void()> done_;
    QString escaped_; // written by the worker, read once it has ended
    quint64 generation_ = 0;
};

} // namespace vantor
