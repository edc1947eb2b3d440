#include "ui/main_window.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include "audio/input_check.h"
#include "core/version.h"
#include "ui/coloured_edit.h"
#include "ui/gui_host.h"
#include "ui/output_text_dialog.h"
#include "ui/skinned_button.h"
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

// Texts are placed by their top-left corner.
void drawTextAt(QPainter& painter, QPoint topLeft, const QString& text) {
  painter.drawText(QRect(topLeft, QSize(kMainWindowWidth, kMainWindowHeight)), Qt::AlignLeft | Qt::AlignTop,
                   text);
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
  setFixedSize(kMainWindowWidth, kMainWindowHeight);
  setAttribute(Qt::WA_OpaquePaintEvent);

  m_backgroundPictureInForce = ctx.settings.backgroundPicture;
  if (m_backgroundPictureInForce) m_background = QImage(artwork(QStringLiteral("background.png")));
  m_title = QImage(artwork(QStringLiteral("title.png")));
  setMask(mainWindowShape(ctx.settings.roundCorners));

  m_minimise = makeButton(QStringLiteral("minimise"), QStringLiteral("_"), QStringLiteral("Minimizes the program"),
                          QStringLiteral("minimise"), {368, 28});
  m_close = makeButton(QStringLiteral("close"), QStringLiteral("X"), QStringLiteral("Exits the program"),
                       QStringLiteral("close"), {389, 28});
  m_help = makeButton(QStringLiteral("help"), QStringLiteral("Help"), QStringLiteral("Loads the help window"),
                      QStringLiteral("help"), {131, 220});
  m_browse = makeButton(QStringLiteral("browse"), QStringLiteral("Browse"),
                        QStringLiteral("Browses for an input file"), QStringLiteral("browse"), {345, 184});
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
  m_fileName->setFocus();

  auto* icon = new QLabel(this);
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
  if (button->setPictures(artwork(name + QStringLiteral(".png")), kMagenta) == SkinnedButton::kPicturesSet) {
    button->setDrawTransparent(true);
  } else {
    // Without its picture the button still works, drawn as its word.
    button->setText(label);
    button->resize(button->sizeHint());
  }
  button->setDrawBorder(false);
  button->setTooltipText(tooltip);
  button->setCursorPicture(artwork(QStringLiteral("hand.png")), kHandHotspot);
  if (m_ctx.settings.buttonSounds) button->setClickSound(artwork(sound + QStringLiteral(".wav")));
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

  painter.setPen(Qt::white);
  painter.setFont(paintFont(kTextHeight));
  drawTextAt(painter, {343, 116}, QStringLiteral("Version ") + QString::fromLatin1(kProgramVersion));
  drawTextAt(painter, {25, 168}, QStringLiteral("MP3 or WAV file name:"));
  drawTextAt(painter, {25, 260}, QStringLiteral("Sonaflux - sound for web pages, streamed as it plays."));
  drawTextAt(painter, {25, 274}, QStringLiteral("Free software: use it, share it, improve it."));
  drawTextAt(painter, {25, 298}, QStringLiteral("Uses LAME compression - https://lame.sourceforge.io"));
  painter.setFont(paintFont(kHeadlineHeight));
  drawTextAt(painter, {25, 116}, QStringLiteral("Makes Streaming Audio"));
  painter.end();

  if (!m_startupTipsShown) {
    m_startupTipsShown = true;
    if (qEnvironmentVariableIsSet("SONAFLUX_TIME_FIRST_PAINT")) {
      qInfo("first paint at %lld ms since the epoch", static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
    }
    // After this paint has reached the screen, not inside it.
    if (m_ctx.settings.showTipsAtStartup) QTimer::singleShot(0, this, &MainWindow::showTipOfTheDay);
  }
}

void MainWindow::showTipOfTheDay() { runTipOfTheDay(m_ctx, this); }

void MainWindow::browseForInput() {
  const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("Sonaflux - Select a file"),
                                                      QString::fromStdString(m_browseStartPath),
                                                      QStringLiteral("MP3 or WAV files (*.mp3 *.wav)"));
  if (chosen.isEmpty()) return;
  m_browseStartPath = chosen.toStdString();
  m_fileName->setText(chosen);
}

void MainWindow::openHelp() {
  const QString path = QString::fromStdString(m_ctx.paths.programFolder) + QStringLiteral("snxhelp.htm");
  // The launcher would start even for a missing file and fail out of sight.
  if (!QFileInfo::exists(path) || !QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
    m_host.showMessage("Error: Could not launch help file.", MessageIcon::Exclamation);
  }
}

void MainWindow::runOptionsWindow() {
  if (m_optionsCommand) m_optionsCommand();
}

void MainWindow::createStreamingAudio() {
  m_ctx.inputs.inputPath = m_fileName->text().toStdString();
  if (m_ctx.inputs.inputPath.empty()) {
    m_host.showMessage("Error: Please select an input MP3 or WAV file first.", MessageIcon::Exclamation);
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
  if (!runOutputText(m_ctx, this)) {
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
    case Qt::Key_Escape:
      endProgram();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      m_create->click();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  // The window manager moves the window where it can; otherwise we follow the mouse.
  if (windowHandle() && windowHandle()->startSystemMove()) return;
  m_dragging = true;
  m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
  if (m_dragging && (event->buttons() & Qt::LeftButton)) move(event->globalPosition().toPoint() - m_dragOffset);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
  m_dragging = false;
  QWidget::mouseReleaseEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  endProgram();
}

}  // namespace sonaflux
