#include "engine/Session.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSet>
#include <QThread>

namespace vantor {

namespace {

size_t indexOf(Side side) {
    return side == Side::Primary ? 0 : 1;
}

// Runs work for one side; a wrong password is said with the side it was given for, since the
// two databases may have different ones.
template <typename Work> auto onSide(size_t side, Work work) -> decltype(work()) {
    try {
        return work();
    } catch (const Error& e) {
        if (e.code() != ErrorCode::AuthFailed)
            throw;
        QString text = e.description();
        text.replace(QLatin1String("for the database '"),
                     side == 0 ? QLatin1String("for the primary database '")
                               : QLatin1String("for the secondary database '"));
        throw Error(e.code(), text);
    }
}

// Ends a wait however the work ends.
class WorkScope {
public:
    explicit WorkScope(Session& session) : session_(session) {}
    ~WorkScope() { Q_EMIT session_.workFinished(); }
    WorkScope(const WorkScope&) = delete;
    WorkScope& operator=(const WorkScope&) = delete;

private:
    Session& session_;
};

} // namespace

Session::Session(SourceOpener opener, QObject* parent)
    : QObject(parent), opener_(std::move(opener)) {}

Session::~Session() {
    // Work still running when the session goes is stopped; its outcome has no one to reach.
    cancel();
    if (worker_)
        worker_->wait();
}

const DatabaseLogin& Session::login(Side side) const {
    return logins_[indexOf(side)];
}

void Session::setLogin(Side side, const DatabaseLogin& login) {
    logins_[indexOf(side)] = login;
}

bool Session::isOpen() const {
    return sources_[0] && sources_[1];
}

Source& Session::source(Side side) {
    Source* source = sources_[indexOf(side)].get();
    if (!source)
        throw Error(ErrorCode::OperationNotAllowedWhenClosed,
                    QStringLiteral("Operation is not allowed when the object is closed."));
    return *source;
}

void Session::close() {
    cancel();
    waitForWork();
    sources_[0].reset();
    sources_[1].reset();
    if (diff_) {
        diff_.reset();
        Q_EMIT cleared();
    }
}

void Session::disconnect() {
    cancel();
    waitForWork();
    sources_[0].reset();
    sources_[1].reset();
}

bool Session::hasLogins() const {
    return !logins_[0].path.isEmpty() || !logins_[1].path.isEmpty();
}

void Session::recordFailure(const Error& error, const std::optional<Error>& summary) {
    lastErrors_.clear();
    for (const Error* e : {&error, summary ? &*summary : nullptr}) {
        if (!e)
            continue;
        lastErrors_ << e->description();
        log(QStringLiteral("Error %1: %2").arg(e->number()).arg(e->description()));
    }
    close();
}

void Session::fail(const Error& error, std::optional<Error> summary) {
    recordFailure(error, summary);
    throw error;
}

void Session::log(const QString& text) {
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    Q_EMIT logged(stamp + QStringLiteral("  ") + text);
}

void Session::step(const QString& caption) {
    progress_ = progress_ >= 90 ? 1 : progress_ + 1;
    Q_EMIT progressed(caption, progress_);
}

void Session::openSides() {
    if (logins_[0].path.isEmpty() && logins_[1].path.isEmpty())
        fail(Error(ErrorCode::NoDatabases, QStringLiteral("Enter Primary and Secondary Database")));
    sources_[0].reset();
    sources_[1].reset();
    try {
        Q_EMIT progressed(QStringLiteral("Opening primary database..."), 1);
        sources_[0] = onSide(0, [&] { return opener_(logins_[0]); });
        Q_EMIT progressed(QStringLiteral("Opening Secondary database..."), 1);
        sources_[1] = onSide(1, [&] { return opener_(logins_[1]); });
    } catch (const Error& e) {
        fail(e);
    }
}

void Session::open() {
    // Work in the background may still use the sources that opening replaces.
    waitForWork();
    lastErrors_.clear();
    WorkScope work(*this);
    Q_EMIT workStarted();
    openSides();
}

void Session::refresh() {
    waitForWork();
    Comparison work{{logins_[0], logins_[1]}, settings_, {}, {}, {}, {}, false, isOpen()};
    lastErrors_.clear();
    {
        WorkScope scope(*this);
        Q_EMIT workStarted();
        readAndCompare(work, {});
    }
    adopt(work);
    if (work.error)
        throw *work.error;
}

bool Session::startRefresh() {
    return startComparison({logins_[0], logins_[1]}, isOpen());
}

bool Session::startCompare(const DatabaseLogin& primary, const DatabaseLogin& secondary) {
    return startComparison({primary, secondary}, false);
}

bool Session::startComparison(std::array<DatabaseLogin, 2> logins, bool wasOpen) {
    if (isBusy())
        return false;
    lastErrors_.clear();
    auto work = std::make_shared<Comparison>();
    work->logins = std::move(logins);
    work->wasOpen = wasOpen;
    work->settings = settings_;
    return runInBackground(
        [this, work](const std::stop_token& stop) { readAndCompare(*work, stop); },
        [this, work] { adopt(*work); });
}

void Session::readAndCompare(Comparison& work, const std::stop_token& stop) {
    // Runs on whichever thread does the work: it touches nothing of the session's state but the
    // progress counter, which only the work under way uses.
    try {
        if (work.logins[0].path.isEmpty() && work.logins[1].path.isEmpty())
            throw Error(ErrorCode::NoDatabases,
                        QStringLiteral("Enter Primary and Secondary Database"));
        Q_EMIT progressed(QStringLiteral("Opening primary database..."), 1);
        work.sources[0] = onSide(0, [&] { return opener_(work.logins[0]); });
        Q_EMIT progressed(QStringLiteral("Opening Secondary database..."), 1);
        work.sources[1] = onSide(1, [&] { return opener_(work.logins[1]); });
        for (auto& source : work.sources)
            source->setStopToken(stop);
        if (stop.stop_requested())
            throw WorkCancelled();
    } catch (const Error& e) {
        work.error = e;
        if (work.wasOpen)
            work.summary = Error(ErrorCode::ConnectionClosed, QStringLiteral("Connection Closed."));
        return;
    } catch (const WorkCancelled&) {
        work.cancelled = true;
        return;
    }
    progress_ = 3;
    Q_EMIT progressed(QStringLiteral("Analyzing Tables..."), progress_);
    std::shared_ptr<const Schema> schemas[2];
    try {
        // Both files are read side by side.
        work.sources[1]->prefetch();
        work.sources[0]->prefetch();
        schemas[1] =
            onSide(1, [&] { return std::make_shared<const Schema>(work.sources[1]->schema()); });
        schemas[0] =
            onSide(0, [&] { return std::make_shared<const Schema>(work.sources[0]->schema()); });
    } catch (const Error& e) {
        work.error = e;
        work.summary = Error(ErrorCode::SchemasUnreadable, QStringLiteral("Cannot open schemas."));
        return;
    } catch (const WorkCancelled&) {
        work.cancelled = true;
        return;
    }
    try {
        CompareOptions options{work.settings, {}};
        // Folded once: a search of each schema for every object would grow with the square of
        // the objects, which a large file makes the whole cost of comparing.
        auto folded = [](const auto& objects) {
            QSet<QString> names;
            names.reserve(objects.size());
            for (const auto& o : objects)
                names.insert(FoldKey(o.name));
            return names;
        };
        const QSet<QString> primaryViews = folded(schemas[0]->views);
        const QSet<QString> primaryTables = folded(schemas[0]->tables);
        const QSet<QString> secondaryViews = folded(schemas[1]->views);
        options.onObject = [&](const QString& name) {
            if (stop.stop_requested())
                throw WorkCancelled();
            // A name is a view when the primary database has it as one, or, lacking it as a
            // table, the secondary one does.
            const QString key = FoldKey(name);
            const bool view = primaryViews.contains(key) ||
                              (!primaryTables.contains(key) && secondaryViews.contains(key));
            step(
                (view ? QStringLiteral("Analyzing view: ") : QStringLiteral("Analyzing tables: ")) +
                name);
        };
        work.diff = std::make_shared<const Diff>(Compare(schemas[0], schemas[1], options));
    } catch (const Error& e) {
        work.error = e;
        work.summary = Error(ErrorCode::CompareFailed, QStringLiteral("Error in Compare Process."));
    } catch (const WorkCancelled&) {
        work.cancelled = true;
    }
}

void Session::adopt(Comparison& work) {
    if (work.cancelled) {
        log(QStringLiteral("Reading and comparing %1 and %2 was cancelled; the comparison shown "
                           "before stays")
                .arg(work.logins[0].path, work.logins[1].path));
        Q_EMIT refreshCancelled();
        return;
    }
    // A failed comparison still names its databases, so that a refresh can try them again.
    logins_[0] = work.logins[0];
    logins_[1] = work.logins[1];
    if (work.error) {
        recordFailure(*work.error, work.summary);
        Q_EMIT refreshFailed(work.error->description());
        return;
    }
    sources_[0] = std::move(work.sources[0]);
    sources_[1] = std::move(work.sources[1]);
    diff_ = std::move(work.diff);
    Q_EMIT compared();
}

bool Session::runInBackground(std::function<void(const std::stop_token&)> work,
                              std::function<void()> done) {
    if (isBusy())
        return false;
    stop_ = std::stop_source();
    done_ = std::move(done);
    escaped_.clear();
    worker_.reset(QThread::create([this, work = std::move(work), stop = stop_.get_token()] {
        // Work reports its own failures through what it shares with done; anything else that
        // escapes would end the program on a thread that cannot show it, so it goes to the log.
        try {
            work(stop);
        } catch (const std::exception& e) {
            escaped_ = DescriptionOf(e);
        } catch (...) {
            escaped_ = QStringLiteral("An unknown error");
        }
    }));
    // A notice from work that was already waited for must not end the work started after it.
    const quint64 generation = ++generation_;
    connect(
        worker_.get(), &QThread::finished, this,
        [this, generation] {
            if (generation == generation_)
                finishWork();
        },
        Qt::QueuedConnection);
    Q_EMIT workStarted();
    worker_->start();
    return true;
}

void Session::cancel() {
    if (worker_)
        stop_.request_stop();
}

void Session::waitForWork() {
    if (!worker_)
        return;
    worker_->wait();
    // What the work said on its way (progress, log lines, marks) is delivered before its end,
    // in the order it was said, as the event loop would have done.
    if (QCoreApplication::instance())
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    finishWork();
}

void Session::finishWork() {
    if (!worker_)
        return;
    worker_->wait();
    worker_.reset();
    std::function<void()> done = std::move(done_);
    done_ = nullptr;
    if (!escaped_.isEmpty())
        log(QStringLiteral("Background work stopped: %1").arg(escaped_));
    Q_EMIT workFinished();
    if (done)
        done();
}

} // namespace vantor
