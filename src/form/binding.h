#pragma once

#include <functional>

// A two-way binding into a field of the draft. Rows are found by id on every access,
// so a binding stays right when rows before it are removed.
template <typename T> struct Binding {
    std::function<T()> get;
    std::function<void(const T &)> set;
};
