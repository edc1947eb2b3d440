#include "ui/sound_probe.h"

#include <QAudioDevice>
#include <QMediaDevices>
#include <QtGlobal>

namespace sonaflux {

namespace {

QtMessageHandler g_previousHandler = nullptr;

void keepQuiet(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtFatalMsg && g_previousHandler) g_previousHandler(type, context, message);
}

}  // namespace

bool soundsCanPlay() {
  static const bool canPlay = [] {
    g_previousHandler = qInstallMessageHandler(keepQuiet);
    const bool any = !QMediaDevices::audioOutputs().isEmpty();
    qInstallMessageHandler(g_previousHandler);
    return any;
  }();
  return canPlay;
}

}  // namespace sonaflux
