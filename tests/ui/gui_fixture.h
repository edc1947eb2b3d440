#pragma once

#include <gtest/gtest.h>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>

#include "settings/parameters_file.h"
#include "tests/support/program_copy.h"
#include "tests/support/test_paths.h"
#include "tests/support/wav_fixture.h"
#include "ui/gui_host.h"

namespace sonaflux::test {

// A private program folder holding what a job needs and the tips, saved
// settings, and the desktop program's own Host with its messages and exit
// recorded (questions are answered No).
struct GuiFixture {
  struct Shown {
    std::string text;
    MessageIcon icon;
    QWidget* owner;
  };

  GuiFixture() {
    copyJobFiles(program.path());
    std::filesystem::copy_file(programFolder() + "tips.da0", program.file("tips.da0"));
    ctx.paths.programFolder = program.path();
    ctx.paths.desktopFolder = output.path();
    ctx.settings = testSettings(output.path());
    ctx.settings.showTipsAtStartup = false;
    EXPECT_TRUE(saveParameters(ctx));
    host.setMessageResponder([this](const std::string& text, MessageIcon icon, MessageButtons buttons) {
      messages.push_back({text, icon, host.owner()});
      return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    });
    host.setTerminateHandler([this](int code) { exitCode = code; });
  }

  TempFolder program, output, inputs;
  GuiHost host;
  AppContext ctx{host};
  std::vector<Shown> messages;
  std::optional<int> exitCode;
};

// While the result lives, runs `act` on the modal window in front every 5 ms;
// `act` closes the window once it is done with it.
inline std::unique_ptr<QTimer> answerModals(std::function<void(QWidget&)> act) {
  auto timer = std::make_unique<QTimer>();
  QObject::connect(timer.get(), &QTimer::timeout, [act = std::move(act), busy = false]() mutable {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || busy) return;
    busy = true;
    act(*modal);
    busy = false;
  });
  timer->start(5);
  return timer;
}

template <class T = QPushButton>
T& child(QWidget& window, const char* name) {
  T* found = window.findChild<T*>(QLatin1String(name));
  if (!found) ADD_FAILURE() << "no child named " << name;
  return *found;
}

inline QImage grabbed(QWidget& widget) { return widget.grab().toImage().convertToFormat(QImage::Format_RGB32); }

inline int countPixels(const QImage& image, const std::function<bool(QRgb)>& test) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) count += test(image.pixel(x, y));
  return count;
}

inline void click(QWidget& window, const char* name) { QTest::mouseClick(&child(window, name), Qt::LeftButton); }

}  // namespace sonaflux::test
