#pragma once

#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QWidget>
#include <string>

#include "core/app_context.h"

namespace sonaflux {

class ColouredEdit;
class GuiHost;
class SkinnedButton;

inline constexpr int kMainWindowWidth = 450;
inline constexpr int kMainWindowHeight = 350;
inline constexpr int kCornerEllipse = 90;

/// The window's shape: the whole rectangle, or with each corner cut by a
/// quarter of a diameter-wide ellipse.
QRegion mainWindowShape(bool roundCorners, int width = kMainWindowWidth, int height = kMainWindowHeight,
                        int diameter = kCornerEllipse);

/// The program's one permanent window: a frameless picture window with seven
/// picture buttons and the file-name box, dragged by any point that is not a
/// control. Closing it in any way ends the program.
class MainWindow : public QWidget {
  Q_OBJECT

 public:
  /// Reads the interface settings from ctx.settings, which must be loaded.
  MainWindow(AppContext& ctx, GuiHost& host, QWidget* parent = nullptr);

  SkinnedButton* minimiseButton() const { return m_minimise; }
  SkinnedButton* closeButton() const { return m_close; }
  SkinnedButton* helpButton() const { return m_help; }
  SkinnedButton* browseButton() const { return m_browse; }
  SkinnedButton* optionsButton() const { return m_options; }
  SkinnedButton* createButton() const { return m_create; }
  SkinnedButton* exitButton() const { return m_exit; }
  ColouredEdit* fileNameBox() const { return m_fileName; }

  const std::string& browseStartPath() const { return m_browseStartPath; }
  bool startupTipsShown() const { return m_startupTipsShown; }

 public slots:
  void browseForInput();
  void openHelp();
  void runOptionsWindow();
  void createStreamingAudio();
  void endProgram();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  SkinnedButton* makeButton(const QString& name, const QString& label, const QString& tooltip, const QString& sound,
                            QPoint place);
  void showTipOfTheDay();

  AppContext& m_ctx;
  GuiHost& m_host;
  std::string m_browseStartPath;
  bool m_backgroundPictureInForce = false;
  bool m_startupTipsShown = false;
  QImage m_background;
  QImage m_title;
  enum class Drag { None, Pressed, Following };
  Drag m_drag = Drag::None;
  QPoint m_pressedAt;
  QPoint m_dragOffset;

  SkinnedButton* m_minimise = nullptr;
  SkinnedButton* m_close = nullptr;
  SkinnedButton* m_help = nullptr;
  SkinnedButton* m_browse = nullptr;
  SkinnedButton* m_options = nullptr;
  SkinnedButton* m_create = nullptr;
  SkinnedButton* m_exit = nullptr;
  ColouredEdit* m_fileName = nullptr;
};

}  // namespace sonaflux
