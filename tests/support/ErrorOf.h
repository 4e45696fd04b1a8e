#pragma once

#include "model/Error.h"

namespace vantor::test {

// The error that f raises; when it raises none, one whose description says so, so that the
// caller's own expectation fails where it stands.
template <typename F> Error ErrorOf(F&& f) {
    try {
        f();
    } catch (const Error& e) {
        return e;
    }
    return Error(ErrorCode::Provider, QStringLiteral("no error was raised"));
}

} // namespace vantor::test
