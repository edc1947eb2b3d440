#include "tests/support/recording_host.h"

#include "engine/create_command.h"

namespace sonaflux::test {

MessageAnswer RecordingHost::showMessage(const std::string& text, MessageIcon icon, MessageButtons buttons) {
  messages.push_back({text, icon});
  if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  if (answers.empty()) return MessageAnswer::No;
  MessageAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

void RecordingHost::pumpMessages() {
  ++pumps;
  if (onPump) onPump();
  if (cancelOnPump != 0 && pumps == cancelOnPump && cancelTarget) requestCancel(*cancelTarget);
}

std::vector<std::string> RecordingHost::texts() const {
  std::vector<std::string> result;
  for (const RecordedMessage& m : messages) result.push_back(m.text);
  return result;
}

}  // namespace sonaflux::test
