#pragma once

#include <QDialog>
#include <array>
#include <vector>

#include "core/app_context.h"
#include "engine/create_command.h"
#include "ui/page_opener.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace sonaflux {

class ColouredLabel;
class GuiHost;

/// The modal window one conversion job runs in: four stage bars and Cancel
/// while it runs, then the outcome, the created files and Launch Output.
/// The job starts once, as soon as the window first shows.
class WorkingWindow : public QDialog {
 public:
  WorkingWindow(AppContext& ctx, GuiHost& host, QWidget* parent);

  bool jobStarted() const { return m_jobStarted; }
  bool jobRunning() const { return m_jobRunning; }
  /// How the job ended; meaningful once jobStarted() and not jobRunning().
  const JobReport& report() const { return m_report; }

  /// Escape and the close request: during the job they press Cancel, and
  /// the window stays until the job has cleaned up; afterwards they close it.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void runJob();
  void cancelJob();
  void showOutcome();
  void launchOutput();
  void addResultLine(const QString& text);

  AppContext& m_ctx;
  GuiHost& m_host;
  bool m_jobStarted = false;
  bool m_jobRunning = false;
  JobReport m_report;

  std::array<QProgressBar*, 4> m_bars{};
  QVBoxLayout* m_resultBox = nullptr;
  std::vector<ColouredLabel*> m_resultLines;
  QLabel* m_finished = nullptr;
  QLabel* m_failed = nullptr;
  QLabel* m_cancelled = nullptr;
  QPushButton* m_cancel = nullptr;
  QPushButton* m_ok = nullptr;
  QPushButton* m_launch = nullptr;
};

/// Opens the finished job's web page in the user's browser. False when the
/// report names no page, the page is gone or no launcher could start; a
/// launcher that fails later calls onFailure.
bool openOutputPage(const JobReport& report, LaunchFailed onFailure);

}  // namespace sonaflux
