#pragma once

#include <string>

namespace sonaflux {

enum class MessageIcon { None, Exclamation, Stop, Question };

enum class MessageButtons { Ok, YesNo };

enum class MessageAnswer { Ok, Yes, No };

/// A progress bar the job writes to; the job sets the range 0 to 101.
class ProgressBar {
 public:
  virtual ~ProgressBar() = default;
  virtual void setRange(int minimum, int maximum) = 0;
  virtual void setPosition(int position) = 0;
};

/// Everything the job needs from whoever is watching it: message boxes,
/// pumping, status notes and the end of the process.
class Host {
 public:
  virtual ~Host() = default;

  /// Shows a message box with the caption "Sonaflux". With YesNo buttons the
  /// answer is Yes or No; otherwise Ok.
  virtual MessageAnswer showMessage(const std::string& text, MessageIcon icon,
                                    MessageButtons buttons = MessageButtons::Ok) = 0;

  /// Lets the user act (Cancel, repaint) between units of work. Returns at once.
  virtual void pumpMessages() = 0;

  /// A short note on what the job is waiting for; not an error.
  virtual void showStatus(const std::string& text) = 0;

  /// Ends the process with the exit code. A test host records it and returns.
  virtual void terminate(int exitCode) = 0;
};

}  // namespace sonaflux
