#include "cli/Terminal.h"

#include <algorithm>
#include <cstdio>
#include <string>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace vantor::cli {

namespace {

std::optional<QString> readLine(FILE* in) {
    std::string bytes;
    int c = 0;
    bool any = false;
    while ((c = std::fgetc(in)) != EOF) {
        any = true;
        if (c == '\n')
            break;
        bytes.push_back(static_cast<char>(c));
    }
    if (!any)
        return std::nullopt;
    if (!bytes.empty() && bytes.back() == '\r')
        bytes.pop_back();
    QString line = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    // The bytes held a secret; do not leave them lying in freed memory.
    std::fill(bytes.begin(), bytes.end(), '\0');
    return line;
}

} // namespace

#ifdef Q_OS_WIN

bool StderrIsTerminal() {
    return _isatty(_fileno(stderr));
}
bool StdinIsTerminal() {
    return _isatty(_fileno(stdin));
}
int TerminalWidth() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info))
        return info.srWindow.Right - info.srWindow.Left + 1;
    return 80;
}
std::optional<QString> ReadHiddenLine(const QString& prompt) {
    std::fputs(prompt.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    GetConsoleMode(in, &mode);
    SetConsoleMode(in, mode & ~ENABLE_ECHO_INPUT);
    auto line = readLine(stdin);
    SetConsoleMode(in, mode);
    std::fputs("\n", stderr);
    return line;
}

#else

bool StderrIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}
bool StdinIsTerminal() {
    return isatty(STDIN_FILENO) == 1;
}
int TerminalWidth() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}
std::optional<QString> ReadHiddenLine(const QString& prompt) {
    std::fputs(prompt.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
    termios saved{};
    const bool haveTerminal = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (haveTerminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    auto line = readLine(stdin);
    if (haveTerminal)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    else
        std::fputs("\n", stderr);
    return line;
}

#endif

std::optional<QString> ReadStdinLine() {
    return readLine(stdin);
}

} // namespace vantor::cli
