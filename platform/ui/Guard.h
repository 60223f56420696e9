#pragma once

#include <functional>
#include <utility>

namespace txl::ui {

// Runs one event handler. An error it does not catch itself becomes the default error report, and
// control returns to the event loop with whatever state the handler left. Returns false when the
// handler failed.
bool guarded(const std::function<void()> &handler);

// Wraps a handler for connect(): connect(button, &QPushButton::clicked, this, guard([this] { ... })).
template <class F>
auto guard(F &&handler) {
    return [h = std::forward<F>(handler)](auto &&...) { guarded(h); };
}

// guard(this, &TForm1::btserachClick)
template <class T>
auto guard(T *object, void (T::*method)()) {
    return [object, method](auto &&...) { guarded([object, method] { (object->*method)(); }); };
}

}   // namespace txl::ui
