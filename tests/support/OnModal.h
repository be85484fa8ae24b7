// For widget suites: answering a modal dialog from inside its own loop.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <functional>

// Runs fn on the dialog of class T that is modal next, from the loop (the test fails when the
// modal widget is no T).
template <class T>
void OnModal(std::function<void(T*)> fn) {
  QTimer::singleShot(0, [fn] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    fn(dialog);
  });
}
