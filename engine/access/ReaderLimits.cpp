#include "engine/access/ReaderLimits.h"

#include "engine/access/ReaderProtocol.h"

#if defined(Q_OS_UNIX)
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif
#if defined(Q_OS_LINUX)
#include <sys/prctl.h>
#endif

namespace vantor {

namespace {

// Sanitizer runtimes reserve terabytes of address space, so an address-space limit would stop
// a sanitized reader before it starts.
constexpr bool kSanitized =
#if defined(__SANITIZE_ADDRESS__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

} // namespace

ChildLimits ChildLimitsOf(const ReaderLimits& limits) {
    ChildLimits child;
    child.memoryBytes = static_cast<quint64>(qMax<qint64>(0, limits.memoryBytes));
    child.cpuSeconds = static_cast<quint64>(qMax(0, limits.timeoutMs)) / 1000 + 2;
    // One byte past the limit, so that the parent can tell an answer that outgrew it.
    child.fileBytes = static_cast<quint64>(qMax<qint64>(0, limits.maxOutputBytes)) + 1;
    return child;
}

void LimitThisChild(const ChildLimits& limits, int answerFd) {
#if defined(Q_OS_UNIX)
    if (answerFd == kReaderAnswerFd)
        fcntl(answerFd, F_SETFD, 0);
    else if (answerFd >= 0)
        dup2(answerFd, kReaderAnswerFd);
    struct rlimit none = {0, 0};
    setrlimit(RLIMIT_CORE, &none);
    struct rlimit cpu = {limits.cpuSeconds, limits.cpuSeconds + 1};
    setrlimit(RLIMIT_CPU, &cpu);
    struct rlimit written = {limits.fileBytes, limits.fileBytes};
    setrlimit(RLIMIT_FSIZE, &written);
    if (!kSanitized && limits.memoryBytes > 0) {
        struct rlimit as = {limits.memoryBytes, limits.memoryBytes};
        setrlimit(RLIMIT_AS, &as);
    }
#if defined(Q_OS_LINUX)
    prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
#else
    Q_UNUSED(limits);
    Q_UNUSED(answerFd);
#endif
}

void ApplyChildLimits(QProcess& process, const ReaderLimits& limits, int answerFd) {
#if defined(Q_OS_UNIX)
    // Runs in the child between fork and exec.
    process.setChildProcessModifier(
        [child = ChildLimitsOf(limits), answerFd] { LimitThisChild(child, answerFd); });
#else
    Q_UNUSED(process);
    Q_UNUSED(limits);
    Q_UNUSED(answerFd);
#endif
}

} // namespace vantor
