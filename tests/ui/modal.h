#pragma once

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

namespace sonaflux::test {

/// Acts on the modal window the next call opens, once its event loop runs.
inline void whenModalOpens(std::function<void(QWidget&)> act) {
  QTimer::singleShot(0, [act] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr) << "no modal window opened";
    act(*modal);
  });
}

/// The child of a window with the object name; fails the test when missing.
template <class T>
T& child(QWidget& window, const char* name) {
  T* found = window.findChild<T*>(QLatin1String(name));
  if (!found) ADD_FAILURE() << "no child named " << name;
  return *found;
}

/// Saves a picture of the window when SONAFLUX_GRAB_DIR names a folder;
/// the first picture of a name is kept.
inline void grabIfAsked(QWidget& window, const char* name) {
  const QString folder = qEnvironmentVariable("SONAFLUX_GRAB_DIR");
  const QString file = folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
  if (!folder.isEmpty() && !QFile::exists(file)) window.grab().save(file);
}

}  // namespace sonaflux::test
