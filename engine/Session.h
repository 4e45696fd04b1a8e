#pragma once

#include "engine/Compare.h"
#include "engine/Source.h"

#include <QObject>
#include <QStringList>
#include <memory>
#include <optional>

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
    // Forgets both databases and the comparison.
    void close();
    // Closes both databases but keeps the comparison and the logins, so that what is shown stays
    // and a refresh opens them again.
    void disconnect();
    // Whether a database was named for either side, so that a refresh has something to open.
    bool hasLogins() const;

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
    void logged(const QString& stampedLine);

private:
    void openSides();
    [[noreturn]] void fail(const Error& error, std::optional<Error> summary = std::nullopt);
    void step(const QString& caption);

    SourceOpener opener_;
    DatabaseLogin logins_[2];
    std::unique_ptr<Source> sources_[2];
    std::shared_ptr<const Diff> diff_;
    QStringList lastErrors_;
    int progress_ = 0;
};

} // namespace vantor
