#include "engine/Session.h"

#include <QDateTime>

namespace vantor {

namespace {

size_t indexOf(Side side) {
    return side == Side::Primary ? 0 : 1;
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

Session::~Session() = default;

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
    sources_[0].reset();
    sources_[1].reset();
    if (diff_) {
        diff_.reset();
        Q_EMIT cleared();
    }
}

void Session::disconnect() {
    sources_[0].reset();
    sources_[1].reset();
}

bool Session::hasLogins() const {
    return !logins_[0].path.isEmpty() || !logins_[1].path.isEmpty();
}

void Session::fail(const Error& error, std::optional<Error> summary) {
    lastErrors_.clear();
    for (const Error* e : {&error, summary ? static_cast<const Error*>(&*summary) : nullptr}) {
        if (!e)
            continue;
        lastErrors_ << e->description();
        log(QStringLiteral("Error %1: %2").arg(e->number()).arg(e->description()));
    }
    close();
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
        sources_[0] = opener_(logins_[0]);
        Q_EMIT progressed(QStringLiteral("Opening Secondary database..."), 1);
        sources_[1] = opener_(logins_[1]);
    } catch (const Error& e) {
        fail(e);
    }
}

void Session::open() {
    lastErrors_.clear();
    WorkScope work(*this);
    Q_EMIT workStarted();
    openSides();
}

void Session::refresh() {
    lastErrors_.clear();
    WorkScope work(*this);
    Q_EMIT workStarted();
    openSides();
    progress_ = 3;
    Q_EMIT progressed(QStringLiteral("Analyzing Tables..."), progress_);
    std::shared_ptr<const Schema> schemas[2];
    try {
        // Both files are read side by side.
        sources_[1]->prefetch();
        sources_[0]->prefetch();
        schemas[1] = std::make_shared<const Schema>(sources_[1]->schema());
        schemas[0] = std::make_shared<const Schema>(sources_[0]->schema());
    } catch (const Error& e) {
        fail(e, Error(ErrorCode::SchemasUnreadable, QStringLiteral("Cannot open schemas.")));
    }
    try {
        CompareOptions options;
        const QString analyzing = QStringLiteral("Analyzing tables: ");
        options.onObject = [&](const QString& name) { step(analyzing + name); };
        diff_ = std::make_shared<const Diff>(Compare(schemas[0], schemas[1], options));
    } catch (const Error& e) {
        fail(e, Error(ErrorCode::CompareFailed, QStringLiteral("Error in Compare Process.")));
    }
    Q_EMIT compared();
}

} // namespace vantor
