#include "cli/ProgressLine.h"

#include "cli/CliSupport.h"
#include "cli/Terminal.h"
#include "engine/Session.h"

#include <cstdio>

namespace vantor::cli {

namespace {
// A terminal cannot show more than this many updates a second anyway.
constexpr qint64 kRedrawMs = 50;
} // namespace

ProgressLine::ProgressLine(bool enabled) : enabled_(enabled) {}

ProgressLine::~ProgressLine() {
    Clear();
}

void ProgressLine::Follow(Session& session) {
    QObject::connect(&session, &Session::progressed,
                     [this](const QString& caption, int value) { Show(caption, value); });
    QObject::connect(&session, &Session::workFinished, [this] { Clear(); });
}

void ProgressLine::Show(const QString& caption, int value) {
    const bool first = !drawn_;
    caption_ = caption;
    progress_ = value;
    draw(first);
}

void ProgressLine::draw(bool force) {
    if (!enabled_ || caption_.isEmpty())
        return;
    if (!force && drawn_ && sinceDraw_.isValid() && sinceDraw_.elapsed() < kRedrawMs)
        return;
    // The bar runs 1 to 91 and wraps, so it shows activity, not a fraction done.
    const int width = TerminalWidth();
    QString bar = QStringLiteral("[%1] ").arg(progress_, 2);
    QString text = bar + caption_;
    if (text.size() >= width)
        text = text.left(std::max(0, width - 2)) + QChar(0x2026);
    QByteArray bytes = "\r" + text.toLocal8Bit() + "\x1b[K";
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
    drawn_ = true;
    sinceDraw_.start();
}

void ProgressLine::Clear() {
    if (!drawn_)
        return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    drawn_ = false;
}

} // namespace vantor::cli
