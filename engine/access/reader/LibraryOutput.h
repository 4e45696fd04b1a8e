#pragma once

#include <QByteArray>
#include <functional>
#include <mutex>
#include <thread>

namespace vantor {

// While it lives, whatever the process writes on standard output and standard error goes to a
// watcher instead. libmdb reports read failures only by printing them and carrying on, so the
// reader collects that text to learn whether the file was read whole, and may act on a line the
// moment it is printed.
class LibraryOutputCapture {
public:
    // onLine, when set, sees every complete line on the watcher's thread as it arrives.
    explicit LibraryOutputCapture(std::function<void(const QByteArray& line)> onLine = {});
    ~LibraryOutputCapture();
    LibraryOutputCapture(const LibraryOutputCapture&) = delete;
    LibraryOutputCapture& operator=(const LibraryOutputCapture&) = delete;

    // Puts standard output and standard error back and returns the start of what was written
    // meanwhile (at most 64 KiB). Later calls return nothing.
    QByteArray Finish();

private:
    void watch(int readEnd);

    std::function<void(const QByteArray&)> onLine_;
    int writeEnd_ = -1;
    int savedOut_ = -1;
    int savedErr_ = -1;
    std::thread watcher_;
    std::mutex mutex_;
    QByteArray kept_;
};

} // namespace vantor
