#include "cli/ProgressLine.h"

#include "cli/CliSupport.h"
#include "cli/Terminal.h"

#include <cstdio>

namespace vantor::cli {

namespace {
// A terminal cannot show more than this many updates a second anyway.
constexpr qint64 kRedrawMs = 50;
} // namespace

ProgressLine::ProgressLine(bool enabled) : enabled_(enabled) {}

ProgressLine::~ProgressLine() {
    clear();
}

void ProgressLine::WaitCaption(const QString& caption) {
    caption_ = caption;
    draw(false);
}

void ProgressLine::WaitProgress(int value) {
    progress_ = value;
    draw(false);
}

void ProgressLine::ShowWait() {
    draw(true);
}

void ProgressLine::UnloadWait() {
    clear();
}

int ProgressLine::MsgBox(const QString& prompt, int buttons, const QString&) {
    clear();
    PrintError(QStringLiteral("vantor-cli: ") + prompt);
    int kind = buttons & 7;
    return kind == mb::YesNo || kind == mb::YesNoCancel ? mb::Yes : mb::OK;
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

void ProgressLine::clear() {
    if (!drawn_)
        return;
    std::fputs("\r\x1b[K", stderr);
    std::fflush(stderr);
    drawn_ = false;
}

} // namespace vantor::cli
