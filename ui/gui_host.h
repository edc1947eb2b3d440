#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>
#include <string>

#include "platform/host.h"

namespace sonaflux {

/// The desktop program's Host: message boxes owned by the window in front
/// (the working window while a job runs, the main window otherwise), pumping
/// through the Qt event loop, and the end of the process.
class GuiHost : public Host {
 public:
  /// Answers a message box in place of the user; tests set it so that no
  /// box ever blocks them.
  using MessageResponder =
      std::function<MessageAnswer(const std::string& text, MessageIcon icon, MessageButtons buttons)>;
  /// Sees the exit code instead of the process ending.
  using TerminateHandler = std::function<void(int exitCode)>;
  /// Shows what the job waits for; nothing is shown without one.
  using StatusHandler = std::function<void(const std::string& text)>;

  void setOwner(QWidget* owner) { m_owner = owner; }
  QWidget* owner() const { return m_owner; }

  void setMessageResponder(MessageResponder responder) { m_responder = std::move(responder); }
  void setTerminateHandler(TerminateHandler handler) { m_terminate = std::move(handler); }
  void setStatusHandler(StatusHandler handler) { m_status = std::move(handler); }

  MessageAnswer showMessage(const std::string& text, MessageIcon icon,
                            MessageButtons buttons = MessageButtons::Ok) override;
  void pumpMessages() override;
  void showStatus(const std::string& text) override;
  void terminate(int exitCode) override;

 private:
  QPointer<QWidget> m_owner;
  MessageResponder m_responder;
  TerminateHandler m_terminate;
  StatusHandler m_status;
};

/// Lends the host's message boxes to a window for as long as it lives.
class OwnerScope {
 public:
  OwnerScope(GuiHost& host, QWidget* owner) : m_host(host), m_previous(host.owner()) { host.setOwner(owner); }
  ~OwnerScope() { m_host.setOwner(m_previous); }
  OwnerScope(const OwnerScope&) = delete;
  OwnerScope& operator=(const OwnerScope&) = delete;

 private:
  GuiHost& m_host;
  QPointer<QWidget> m_previous;
};

}  // namespace sonaflux
