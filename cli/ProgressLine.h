#pragma once

#include <QElapsedTimer>
#include <QString>

namespace vantor {
class Session;
}

namespace vantor::cli {

// The session's progress as one line on stderr that rewrites itself, drawn only when stderr is
// a terminal and not silenced.
class ProgressLine {
public:
    explicit ProgressLine(bool enabled);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Draws the session's progress from now on.
    void Follow(Session& session);
    void Show(const QString& caption, int value);
    void Clear();

private:
    void draw(bool force);

    bool enabled_;
    bool drawn_ = false;
    QString caption_;
    int progress_ = 0;
    QElapsedTimer sinceDraw_;
};

} // namespace vantor::cli
