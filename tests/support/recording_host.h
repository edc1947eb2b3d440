#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/app_context.h"
#include "platform/host.h"

namespace sonaflux::test {

class RecordingProgressBar : public ProgressBar {
 public:
  void setRange(int, int) override {}
  void setPosition(int position) override { positions.push_back(position); }
  int last() const { return positions.empty() ? -1 : positions.back(); }

  std::vector<int> positions;
};

struct RecordedMessage {
  std::string text;
  MessageIcon icon;
};

// Records messages, answers questions from the queue (No when empty), counts pumps.
class RecordingHost : public Host {
 public:
  MessageAnswer showMessage(const std::string& text, MessageIcon icon, MessageButtons buttons) override;
  void pumpMessages() override;
  void showStatus(const std::string& text) override { statuses.push_back(text); }
  void terminate(int exitCode) override { terminations.push_back(exitCode); }

  std::vector<std::string> texts() const;

  std::vector<RecordedMessage> messages;
  std::deque<MessageAnswer> answers;
  std::vector<std::string> statuses;
  std::vector<int> terminations;
  long pumps = 0;
  // When set, the pump with this number cancels the job of cancelTarget.
  long cancelOnPump = 0;
  AppContext* cancelTarget = nullptr;
  std::function<void()> onPump;
};

}  // namespace sonaflux::test
