#pragma once

#include <gtest/gtest.h>
#include <stdexcept>

namespace vantor::test {

// Ends a test whose lookup found nothing; the test framework reports it as the test's failure.
class NothingFound : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a lookup found, for a test to go on with. Nothing found fails the test where it stands
// and ends it, where using the null pointer would end the whole test program. Usable in helpers
// that return values and in lambdas, where ASSERT cannot be.
template <typename T> T& Found(T* found, const char* what) {
    if (!found) {
        ADD_FAILURE() << "nothing found for " << what;
        throw NothingFound(what);
    }
    return *found;
}

} // namespace vantor::test

// The lookup's result, named by the lookup's own text when it found nothing.
#define FOUND(lookup) ::vantor::test::Found((lookup), #lookup)
