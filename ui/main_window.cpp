#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QWindow>

#include "audio/input_check.h"
#include "core/messages.h"
#include "core/version.h"
#include "ui/coloured_edit.h"
#include "ui/gui_host.h"
#include "ui/options_window.h"
#include "ui/output_text_dialog.h"
#include "ui/page_opener.h"
#include "ui/skinned_button.h"
#include "ui/sound_probe.h"
#include "ui/tip_dialog.h"
#include "ui/working_window.h"
#include "writers/output_naming.h"

namespace sonaflux {

namespace {

constexpr QRgb kMagenta = qRgb(255, 0, 255);
// The hand's fingertip.
constexpr QPoint kHandHotspot(9, 1);
// Painted in place of the background picture when it is switched off, dark
// enough for the white texts.
constexpr QRgb kPlainBackground = qRgb(0x1E, 0x2A, 0x38);

constexpr int kTextHeight = 12;
constexpr int kHeadlineHeight = 16;

QString artwork(const QString& name) { return QStringLiteral(":/artwork/") + name; }

QFont paintFont(int pixels) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(pixels);
  font.setBold(true);
  font.setItalic(false);
  font.setUnderline(false);
  return font;
}

// A text of the window's face, placed by its top-left corner. A label
// rather than paint, so that screen readers reach it too.
QLabel* faceText(QWidget* window, QPoint topLeft, int pixels, const QString& text) {
  auto* label = new QLabel(text, window);
  label->setTextFormat(Qt::PlainText);
  label->setFont(paintFont(pixels));
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  QPalette white = label->palette();
  white.setColor(QPalette::WindowText, Qt::white);
  label->setPalette(white);
  label->setAttribute(Qt::WA_TransparentForMouseEvents);
  label->adjustSize();
  label->move(topLeft);
  label->lower();
  return label;
}

}  // namespace

QRegion mainWindowShape(bool roundCorners, int width, int height, int diameter) {
  const QRegion whole(0, 0, width, height);
  if (!roundCorners) return whole;
  const int r = diameter / 2;
  QRegion shape = QRegion(r, 0, width - diameter, height) + QRegion(0, r, width, height - diameter);
  for (QPoint corner : {QPoint(0, 0), QPoint(width - diameter, 0), QPoint(0, height - diameter),
                        QPoint(width - diameter, height - diameter)}) {
    shape += QRegion(QRect(corner, QSize(diameter, diameter)), QRegion::Ellipse);
  }
  return shape & whole;
}

MainWindow::MainWindow(AppContext& ctx, GuiHost& host, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), m_ctx(ctx), m_host(host) {
  setWindowTitle(QStringLiteral("Sonaflux"));
  setAccessibleName(windowTitle());
  setAccessibleDescription(QStringLiteral("Makes Streaming Audio"));
  setFixedSize(kMainWindowWidth, kMainWindowHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);

  m_backgroundPictureInForce = ctx.settings.backgroundPicture;
  if (m_backgroundPictureInForce) m_background = QImage(artwork(QStringLiteral("background.png")));
  m_title = QImage(artwork(QStringLiteral("title.png")));
  setMask(mainWindowShape(ctx.settings.roundCorners));

  m_minimise = makeButton(QStringLiteral("minimise"), QStringLiteral("Minimise"),
                          QStringLiteral("Minimizes the program"), QStringLiteral("minimise"), {368, 28});
  m_close = makeButton(QStringLiteral("close"), QStringLiteral("Close"), QStringLiteral("Exits the program"),
                       QStringLiteral("close"), {389, 28});
  m_help = makeButton(QStringLiteral("help"), QStringLiteral("Help"), QStringLiteral("Loads the help window"),
                      QStringLiteral("help"), {131, 220});
  m_browse = makeButton(QStringLiteral("browse"), QStringLiteral("Browse"), QStringLiteral("Browses for an input file"),
                        QStringLiteral("browse"), {345, 184});
  m_options = makeButton(QStringLiteral("options"), QStringLiteral("Options"),
                         QStringLiteral("Goes to the options window"), QStringLiteral("options"), {238, 220});
  m_create = makeButton(QStringLiteral("create"), QStringLiteral("Create"),
                        QStringLiteral("Creates the streaming audio"), QStringLiteral("create"), {345, 220});
  m_exit = makeButton(QStringLiteral("exit"), QStringLiteral("Exit"), QStringLiteral("Exits the program"),
                      QStringLiteral("close"), {345, 276});

  connect(m_minimise, &QAbstractButton::clicked, this, &QWidget::showMinimized);
  connect(m_close, &QAbstractButton::clicked, this, &MainWindow::endProgram);
  connect(m_help, &QAbstractButton::clicked, this, &MainWindow::openHelp);
  connect(m_browse, &QAbstractButton::clicked, this, &MainWindow::browseForInput);
  connect(m_options, &QAbstractButton::clicked, this, &MainWindow::runOptionsWindow);
  connect(m_create, &QAbstractButton::clicked, this, &MainWindow::createStreamingAudio);
  connect(m_exit, &QAbstractButton::clicked, this, &MainWindow::endProgram);

  m_fileName = new ColouredEdit(this);
  m_fileName->setBackgroundColour(Qt::white);
  m_fileName->setTextColour(Qt::black);
  m_fileName->setFaceName(QStringLiteral("Arial"));
  m_fileName->setCharacterHeight(kTextHeight);
  m_fileName->setGeometry(25, 184, 317, 24);
  m_fileName->setAccessibleName(QStringLiteral("MP3 or WAV file name"));
  m_fileName->setFocus();
  // Tab goes from the box through the commands in the order they are used.
  QWidget* order[] = {m_fileName, m_browse, m_create, m_options, m_help, m_exit, m_minimise, m_close};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  faceText(this, {343, 116}, kTextHeight, QStringLiteral("Version ") + QString::fromLatin1(kProgramVersion));
  faceText(this, {25, 168}, kTextHeight, QStringLiteral("MP3 or WAV file name:"));
  faceText(this, {25, 260}, kTextHeight, QStringLiteral("Sonaflux - sound for web pages, streamed as it plays."));
  faceText(this, {25, 274}, kTextHeight, QStringLiteral("Free software: use it, share it, improve it."));
  faceText(this, {25, 298}, kTextHeight, QStringLiteral("Uses LAME compression - https://lame.sourceforge.io"));
  faceText(this, {25, 116}, kHeadlineHeight, QStringLiteral("Makes Streaming Audio"));

  auto* icon = new QLabel(this);
  icon->setAccessibleName(QStringLiteral("Sonaflux icon"));
  icon->setPixmap(QPixmap(artwork(QStringLiteral("icon32.png"))));
  icon->setGeometry(368, 62, 32, 32);
  // Part of the window's face: dragging works on it too.
  icon->setAttribute(Qt::WA_TransparentForMouseEvents);

  m_browseStartPath = ctx.paths.desktopFolder;
}

SkinnedButton* MainWindow::makeButton(const QString& name, const QString& label, const QString& tooltip,
                                      const QString& sound, QPoint place) {
  auto* button = new SkinnedButton(this);
  button->setObjectName(name);
  button->setAccessibleName(label);
  button->setAccessibleDescription(tooltip);
  if (button->setPictures(artwork(name + QStringLiteral(".png")), kMagenta) == PictureStatus::Set) {
    button->setDrawTransparent(true);
  } else {
    // Without its picture the button still works, drawn as its word.
    button->setText(label);
    button->resize(button->sizeHint());
  }
  button->setDrawBorder(false);
  button->setTooltipText(tooltip);
  button->setCursorPicture(artwork(QStringLiteral("hand.png")), kHandHotspot);
  if (m_ctx.settings.buttonSounds && soundsCanPlay()) button->setClickSound(artwork(sound + QStringLiteral(".wav")));
  button->sizeToContent();
  button->move(place);
  return button;
}

void MainWindow::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (m_backgroundPictureInForce && !m_background.isNull()) {
    painter.drawImage(QPoint(0, 0), m_background);
  } else {
    painter.fillRect(rect(), QColor(kPlainBackground));
  }

  // White lightens what lies beneath, black leaves it.
  painter.setCompositionMode(QPainter::RasterOp_SourceOrDestination);
  painter.drawImage(QPoint(25, 35), m_title);
  painter.setCompositionMode(QPainter::CompositionMode_SourceOver);

  painter.end();

  if (!m_startupTipsShown) {
    m_startupTipsShown = true;
    // After this paint has reached the screen, not inside it.
    if (m_ctx.settings.showTipsAtStartup) QTimer::singleShot(0, this, &MainWindow::showTipOfTheDay);
  }
}

void MainWindow::showTipOfTheDay() {
  TipDialog tip(m_ctx, this);
  tip.exec();
}

void MainWindow::browseForInput() {
  const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("Sonaflux - Select a file"),
                                                      QString::fromStdString(m_browseStartPath),
                                                      QStringLiteral("MP3 or WAV files (*.mp3 *.wav)"));
  if (chosen.isEmpty()) return;
  m_browseStartPath = chosen.toStdString();
  m_fileName->setText(chosen);
}

void MainWindow::openHelp() {
  // Shown with whichever window owns the messages when the launcher gives up.
  GuiHost& host = m_host;
  auto fail = [&host] { host.showMessage(kMsgCannotLaunchHelp, MessageIcon::Exclamation); };
  if (!openHelpPage(m_ctx.paths.programFolder, fail)) fail();
}

void MainWindow::runOptionsWindow() {
  OptionsWindow options(m_ctx, m_host, this);
  options.exec();
}

void MainWindow::createStreamingAudio() {
  m_ctx.inputs.inputPath = m_fileName->text().toStdString();
  if (m_ctx.inputs.inputPath.empty()) {
    m_host.showMessage(kMsgSelectInputFirst, MessageIcon::Exclamation);
    return;
  }
  m_ctx.inputs.inputCheckFailed = false;
  runInputFileCheck(m_ctx);
  if (m_ctx.inputs.inputCheckFailed) return;
  // A missing output folder is said before the page's text is asked for;
  // the job checks again.
  checkOutputFolder(m_ctx);
  const bool noOutputFolder = m_ctx.job.jobFailed;
  m_ctx.job.jobFailed = false;
  if (noOutputFolder) return;
  OutputTextDialog outputText(m_ctx, this);
  if (outputText.exec() != QDialog::Accepted) {
    m_ctx.inputs.inputCheckFailed = true;
    return;
  }
  m_ctx.job.jobStarted = false;
  WorkingWindow working(m_ctx, m_host, this);
  working.exec();
}

void MainWindow::endProgram() { m_host.terminate(0); }

void MainWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape: endProgram(); return;
    case Qt::Key_Return:
    case Qt::Key_Enter: m_create->click(); return;
    default: QWidget::keyPressEvent(event);
  }
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  m_drag = Drag::Pressed;
  m_pressedAt = event->globalPosition().toPoint();
  m_dragOffset = m_pressedAt - frameGeometry().topLeft();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
  if (m_drag == Drag::None || !(event->buttons() & Qt::LeftButton)) {
    m_drag = Drag::None;
    return;
  }
  const QPoint at = event->globalPosition().toPoint();
  if (m_drag == Drag::Pressed) {
    // A click that barely moves is no drag: a move the window manager
    // started then would outlast the release and glue the window to the mouse.
    if ((at - m_pressedAt).manhattanLength() < QApplication::startDragDistance()) return;
    // The window manager moves the window where it can; otherwise we follow the mouse.
    if (windowHandle() && windowHandle()->startSystemMove()) {
      m_drag = Drag::None;
      return;
    }
    m_drag = Drag::Following;
  }
  move(at - m_dragOffset);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
  m_drag = Drag::None;
  QWidget::mouseReleaseEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  endProgram();
}

}  // namespace sonaflux
