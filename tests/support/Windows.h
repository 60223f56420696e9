#pragma once

#include <utility>

// The program's windows in tests: they reach each other through global references, so a test
// that made some must free them before the next test (and before the data module they show).
namespace txl::test {

// Frees the window `global` holds, if any, and clears the reference.
template <class W>
void release(W *&global) {
    delete std::exchange(global, nullptr);
}

// Frees every window a global reference holds, the last made first, and clears the references.
void freeWindows();

// Frees the windows when it goes: declared after a test's data-module fixture, it goes before it,
// also when a check stops the test early.
class WindowCleanup {
public:
    WindowCleanup() = default;
    WindowCleanup(const WindowCleanup &) = delete;
    WindowCleanup &operator=(const WindowCleanup &) = delete;
    ~WindowCleanup() { freeWindows(); }
};

} // namespace txl::test
