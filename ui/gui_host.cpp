#include "ui/gui_host.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <cstdlib>

namespace sonaflux {

namespace {

QMessageBox::Icon boxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Stop: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

MessageAnswer GuiHost::showMessage(const std::string& text, MessageIcon icon, MessageButtons buttons) {
  if (m_responder) return m_responder(text, icon, buttons);

  const bool yesNo = buttons == MessageButtons::YesNo;
  QMessageBox box(boxIcon(icon), QStringLiteral("Sonaflux"), QString::fromStdString(text),
                  yesNo ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, m_owner.data());
  if (yesNo) box.setDefaultButton(QMessageBox::Yes);
  const int answer = box.exec();
  if (!yesNo) return MessageAnswer::Ok;
  return answer == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

void GuiHost::pumpMessages() { QCoreApplication::processEvents(); }

void GuiHost::showStatus(const std::string& text) {
  if (m_status) m_status(text);
}

void GuiHost::terminate(int exitCode) {
  if (m_terminate) {
    m_terminate(exitCode);
    return;
  }
  // At once: nothing is left to save, every setting was saved when it changed.
  std::exit(exitCode);
}

}  // namespace sonaflux
