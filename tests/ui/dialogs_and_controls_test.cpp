#include <QColorDialog>
#include <QComboBox>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>
#include <regex>

#include "settings/tips_file.h"
#include "tests/ui/gui_fixture.h"
#include "ui/coloured_edit.h"
#include "ui/coloured_label.h"
#include "ui/folder_picker.h"
#include "ui/message_window.h"
#include "ui/options_window.h"
#include "ui/output_text_dialog.h"
#include "ui/tip_dialog.h"

namespace sonaflux {
namespace {

using test::child;
using test::click;
using test::readFileText;
using test::writeFileText;

// Every step is saved at once: the tip's number and the show-at-startup box;
// every installed tip fits its place.
struct TipStep {
  enum { Next, Previous, Box } press;
  std::int32_t tipShown;
  bool showAtStartup;
};

TEST(TipWindow, StepsThroughTheTipsSavingEveryStepAndEachTipFits) {
  test::GuiFixture f;
  const std::string tips = readFileText(f.program.file("tips.da0"));
  const std::int32_t count = pickTip(tips, 0).number;
  f.ctx.settings.nextTipNumber = 0;
  f.ctx.settings.showTipsAtStartup = true;
  auto onDisk = [&f] { return decodeParameters(readFileText(f.program.file("snx.da0"))).value_or(SettingsRecord{}); };
  const TipStep steps[] = {{TipStep::Next, 2, true}, {TipStep::Box, 2, false}, {TipStep::Previous, 1, false}};
  auto answer = test::answerModals([&](QWidget& window) {
    QCheckBox& box = child<QCheckBox>(window, "showAtStartup");
    QLabel& text = child<QLabel>(window, "tipText");
    EXPECT_EQ(onDisk().nextTipNumber, 1) << "opening shows and saves the next tip";
    for (const TipStep& step : steps) {
      if (step.press == TipStep::Next) click(window, "nextTip");
      if (step.press == TipStep::Previous) click(window, "previousTip");
      // On the tick box itself: the widget is wider than its label.
      if (step.press == TipStep::Box) QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, box.height() / 2));
      EXPECT_EQ(text.text().toStdString(), pickTip(tips, step.tipShown).text);
      EXPECT_EQ(onDisk().nextTipNumber, step.tipShown);
      EXPECT_EQ(onDisk().showTipsAtStartup, step.showAtStartup);
    }
    for (std::int32_t tip = 1; tip <= count; ++tip, click(window, "nextTip"))
      EXPECT_LE(text.heightForWidth(text.width()), text.height()) << "tip " << tip << " is cut off";
    QTest::keyClick(&window, Qt::Key_Escape);
  });
  TipDialog(f.ctx, nullptr).exec();
  EXPECT_EQ(f.messages.size(), 0u);
}

TEST(TipWindow, FailedSaveEndsTheProgram) {
  test::GuiFixture f;
  f.ctx.paths.programFolder = f.program.file("missing/");
  auto answer = test::answerModals([](QWidget& window) { QTest::keyClick(&window, Qt::Key_Escape); });
  TipDialog(f.ctx, nullptr).exec();
  EXPECT_EQ(f.exitCode, 1);
}

struct TitleEdit {
  const char* name;
  std::string title;
  std::optional<QString> typed;  // none: left as it is
  Qt::Key key;                   // Qt::Key_unknown: the OK button
  std::string stored;
};

TEST(OutputTextWindow, OkOrEnterStoresTheEditedTitleAndEscapeKeepsIt) {
  const TitleEdit rows[] = {
      {"enter", "Artist - Song", QStringLiteral("Typed"), Qt::Key_Return, "Typed"},
      {"emptied", "Artist - Song", QString(), Qt::Key_unknown, ""},
      {"markup kept as typed", "x", QStringLiteral("<b>A & B</b>"), Qt::Key_unknown, "<b>A & B</b>"},
      {"untouched UTF-8", "Ærø – Übermut ♪", std::nullopt, Qt::Key_unknown, "Ærø – Übermut ♪"},
      {"escape", "Artist - Song", QStringLiteral("Changed"), Qt::Key_Escape, "Artist - Song"},
  };
  for (const TitleEdit& row : rows) {
    SCOPED_TRACE(row.name);
    GuiHost host;
    AppContext ctx(host);
    ctx.inputs.inputTitle = row.title;
    auto answer = test::answerModals([&](QWidget& window) {
      QLineEdit& edit = child<QLineEdit>(window, "outputText");
      if (row.typed) {
        edit.clear();
        QTest::keyClicks(&edit, *row.typed);
      }
      if (row.key == Qt::Key_unknown) return click(window, "ok");
      QTest::keyClick(&edit, row.key);
    });
    EXPECT_EQ(OutputTextDialog(ctx, nullptr).exec(), row.key == Qt::Key_Escape ? QDialog::Rejected : QDialog::Accepted);
    EXPECT_EQ(ctx.inputs.inputTitle, row.stored);
  }
}

// Cancel must not turn into the root folder.
TEST(FolderPicker, GivesNothingOnCancel) {
  auto answer = test::answerModals([](QWidget& window) { dynamic_cast<QFileDialog&>(window).reject(); });
  EXPECT_EQ(pickFolder(nullptr, QStringLiteral("Choose the output folder"), QStringLiteral("/")), std::nullopt);
}

// Only a label shows its own text colour; an editable box keeps the
// platform's. Both take the background, the face and a height in pixels.
TEST(ColouredControls, OnlyALabelShowsItsOwnTextColour) {
  ColouredLabel label;
  ColouredEdit edit;
  auto styled = [](auto& control) -> QWidget* {
    control.setText(QStringLiteral("WWWW"));
    control.setTextColour(QColor(255, 0, 0));
    control.setBackgroundColour(QColor(255, 255, 0));
    control.setFaceName(QStringLiteral("Arial"));
    control.setCharacterHeight(20);
    control.resize(160, 32);
    return &control;
  };
  for (const auto& [control, ownColour] :
       {std::pair{styled(label), true}, {styled(edit), false}}) {
    const QImage shot = test::grabbed(*control);
    EXPECT_EQ(test::countPixels(shot, [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 60; }) > 20, ownColour);
    EXPECT_EQ(shot.pixel(shot.width() - 8, shot.height() / 2) & 0xFFFFFFu, 0xFFFF00u);
    EXPECT_EQ(control->font().pixelSize(), 20);
    EXPECT_EQ(QFontInfo(control->font()).family().toStdString(), "Liberation Sans");  // what stands in for Arial
  }
}

// The parameters file the window opens on.
const std::string kStoredFile =
    "y\r\n/home/ann/\r\n1\r\nClassic01150040\r\nd\r\n04\r\nn\r\nFFFFFF\r\n000000\r\n"
    "123456\r\nn\r\ny\r\nn\r\n";

// A program folder with the built controllers and the stored settings.
class OptionsWindowTest : public testing::Test, public test::GuiFixture {
 protected:
  void SetUp() override {
    writeFileText(program.file("snx.da0"), kStoredFile);
    readParameters(ctx);
    ASSERT_TRUE(messages.empty());
    open();
  }

  void open() {
    window.reset();
    window = std::make_unique<OptionsWindow>(ctx, host, nullptr);
    window->show();
    window->activateWindow();
    QApplication::setActiveWindow(window.get());
  }

  template <typename T = QPushButton>
  T* child(const char* name) {
    return &test::child<T>(*window, name);
  }

  QTabWidget* tabs() { return window->findChild<QTabWidget*>(); }

  void retype(const char* box, const char* text) {
    QLineEdit* edit = child<QLineEdit>(box);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromLatin1(text));
  }

  void changeEveryTab() {
    tabs()->setCurrentIndex(0);
    child<QRadioButton>("toFolder")->click();
    {
      auto answer = test::answerModals([&](QWidget& modal) {
        auto* dialog = qobject_cast<QFileDialog*>(&modal);
        ASSERT_NE(dialog, nullptr);
        dialog->setDirectory(QString::fromStdString(output.path()));
        static_cast<QDialog*>(dialog)->accept();
      });
      child("browse")->click();
    }
    retype("numberBox", "4321");
    auto* pageFor = child<QComboBox>("pageFor");
    pageFor->setCurrentIndex(3);
    emit pageFor->activated(3);
    tabs()->setCurrentIndex(1);
    child<QRadioButton>("outputMode3")->click();
    tabs()->setCurrentIndex(2);
    auto* list = child<QListWidget>("controllerList");
    QListWidgetItem* deck = list->findItems("Deck01120060", Qt::MatchExactly).value(0);
    ASSERT_NE(deck, nullptr);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(deck).center());
    tabs()->setCurrentIndex(3);
    child<QRadioButton>("instructionSpecial")->click();
    retype("specialBox", "Q");
    tabs()->setCurrentIndex(4);
    retype("backgroundBox", "ff8");
    QColor openedOn;
    auto answer = test::answerModals([&](QWidget& modal) {
      auto* dialog = qobject_cast<QColorDialog*>(&modal);
      ASSERT_NE(dialog, nullptr);
      openedOn = dialog->currentColor();
      dialog->setCurrentColor(QColor(10, 11, 12));
      dialog->accept();
    });
    child("textPick")->click();
    EXPECT_EQ(openedOn, QColor(1, 0, 0));
    tabs()->setCurrentIndex(5);
    for (const char* box : {"buttonSounds", "backgroundPicture", "roundCorners"}) child<QCheckBox>(box)->click();
  }

  std::unique_ptr<OptionsWindow> window;
};

TEST_F(OptionsWindowTest, CancelSavesNothing) {
  const SettingsRecord settings = ctx.settings;
  changeEveryTab();
  child("cancel")->click();
  EXPECT_EQ(window->result(), QDialog::Rejected);
  EXPECT_EQ(readFileText(program.file("snx.da0")), kStoredFile);
  EXPECT_EQ(ctx.settings, settings);
}

// The tip window saves its own choices; OK keeps its check box, not its tip.
TEST_F(OptionsWindowTest, OkSavesEveryChangedLine) {
  EXPECT_EQ(child<QLineEdit>("numberBox")->text(), "123456") << "shown in full, not cut to five digits";
  changeEveryTab();
  auto answer = test::answerModals([](QWidget& tip) {
    QCheckBox& box = test::child<QCheckBox>(tip, "showAtStartup");
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, box.height() / 2));
    click(tip, "nextTip");
    click(tip, "ok");
  });
  child("tip")->click();
  child("ok")->click();
  EXPECT_EQ(window->result(), QDialog::Accepted);
  EXPECT_EQ(readFileText(program.file("snx.da0")), "n\r\n" + output.path() +
                                                       "\r\n3\r\nDeck01120060\r\nq\r\n04\r\ny\r\nff8\r\n0A0B0C\r\n"
                                                       "4321\r\ny\r\nn\r\ny\r\n4\r\n");
  EXPECT_EQ(messages.size(), 0u);
}

// A controller not in the list stays unless the user picks one; a number
// left as it was is the one on disk at OK, as a job may have taken some meanwhile.
TEST_F(OptionsWindowTest, OkKeepsWhatTheUserLeftAlone) {
  ctx.settings.controllerName = "Round02080080";
  open();
  EXPECT_TRUE(child<QListWidget>("controllerList")->selectedItems().isEmpty());
  writeFileText(program.file("snx.da0"), std::regex_replace(kStoredFile, std::regex("123456"), "123999"));
  child("ok")->click();
  EXPECT_EQ(ctx.settings.controllerName, "Round02080080");
  EXPECT_EQ(ctx.settings.nextOutputNumber, 123999);
}

TEST_F(OptionsWindowTest, EachTabGivesTheFocusBackToTheControlLastUsedThere) {
  tabs()->setCurrentIndex(4);
  retype("backgroundBox", "\"<9");
  tabs()->setCurrentIndex(0);
  EXPECT_EQ(QApplication::focusWidget(), child<QRadioButton>("toDesktop"));
  tabs()->setCurrentIndex(4);
  EXPECT_EQ(QApplication::focusWidget(), child<QLineEdit>("backgroundBox"));
}

// With no browser to take the preview, the message shows while the
// preview's working window stays above this one.
TEST_F(OptionsWindowTest, PreviewAndHelpWithoutABrowserAreSaidOverTheWindow) {
  // The preview takes the colour typed, not yet saved.
  tabs()->setCurrentIndex(4);
  retype("backgroundBox", "\"<9");
  tabs()->setCurrentIndex(2);
  host.setMessageResponder([&](const std::string& text, MessageIcon, MessageButtons) {
    messages.push_back({text, MessageIcon::Exclamation, host.owner()});
    auto* working = window->findChild<MessageWindow*>();
    if (messages.size() > 1 || !working) return MessageAnswer::Ok;
    EXPECT_TRUE(working->isVisible() && working->text() == QStringLiteral("Generating preview..."));
    EXPECT_EQ(working->windowHandle()->transientParent(), window->windowHandle());
    return MessageAnswer::Ok;
  });
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", QByteArray::fromStdString(program.path()));
  child("preview")->click();
  const std::string page = program.file("Controllers/preview.htm");
  EXPECT_NE(readFileText(page).find("<body bgcolor=\"#009\" text=\"#000000\">"), std::string::npos);
  child("help")->click();
  qputenv("PATH", path);
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].text, "Error: Could not launch the web page with the default browser.");
  EXPECT_EQ(messages[1].text, "Error: Could not launch help file.");
  EXPECT_EQ(messages[1].owner, window.get());
}

// A text too long for its place breaks into lines rather than being cut or
// squeezing its neighbours.
TEST_F(OptionsWindowTest, EveryTabFitsInTheWindow) {
  for (int tab = 0; tab < tabs()->count(); ++tab) {
    tabs()->setCurrentIndex(tab);
    QWidget* page = tabs()->widget(tab);
    for (QWidget* control : page->findChildren<QWidget*>()) {
      if (!control->isVisibleTo(page) || control->isWindow()) continue;
      SCOPED_TRACE(tabs()->tabText(tab).toStdString() + " " + control->objectName().toStdString());
      EXPECT_TRUE(page->rect().contains(QRect(control->mapTo(page, QPoint(0, 0)), control->size())));
      // A size set on purpose counts rather than the control's own wish.
      QSize least = control->minimumSizeHint();
      if (control->minimumWidth() > 0) least.setWidth(control->minimumWidth());
      if (control->minimumHeight() > 0) least.setHeight(control->minimumHeight());
      if (control->hasHeightForWidth()) {
        EXPECT_LE(control->heightForWidth(control->width()), control->height());
      } else if (least.isValid()) {
        EXPECT_TRUE(control->width() >= least.width() && control->height() >= least.height());
      }
    }
  }
}

// A key pressed in the window once for each control it should reach, in
// any order, and the tab shown after.
struct KeyPress {
  const char* name;
  int tab;
  const char* from;
  Qt::Key key;
  Qt::KeyboardModifiers modifiers;
  std::vector<std::string> reaches;
  int tabAfter;
};

void PrintTo(const KeyPress& row, std::ostream* out) { *out << row.name; }

class OptionsKeys : public OptionsWindowTest, public testing::WithParamInterface<KeyPress> {};

// Control+Tab reaches the tabs from every control; a letter that several
// controls share moves between them and presses none.
TEST_P(OptionsKeys, MoveBetweenTabsAndControls) {
  const KeyPress& row = GetParam();
  tabs()->setCurrentIndex(row.tab);
  child<QWidget>(row.from)->setFocus();
  std::vector<std::string> reached;
  for (std::size_t i = 0; i < row.reaches.size(); ++i) {
    QTest::keyClick(QApplication::focusWidget(), row.key, row.modifiers);
    reached.push_back(QApplication::focusWidget()->objectName().toStdString());
  }
  std::sort(reached.begin(), reached.end());
  EXPECT_EQ(reached, row.reaches);
  EXPECT_EQ(tabs()->currentIndex(), row.tabAfter);
  EXPECT_TRUE(window->isVisible());
}

const Qt::KeyboardModifiers kCtrl = Qt::ControlModifier, kAlt = Qt::AltModifier;
const KeyPress kKeyPresses[] = {
    {"ctrl_tab_in_page_for", 0, "pageFor", Qt::Key_Tab, kCtrl, {"outputMode1"}, 1},
    {"ctrl_tab_wraps_round", 5, "roundCorners", Qt::Key_Tab, kCtrl, {"toDesktop"}, 0},
    {"ctrl_shift_tab_in_page_for", 0, "pageFor", Qt::Key_Backtab, kCtrl | Qt::ShiftModifier, {"buttonSounds"}, 5},
    {"alt_c", 1, "outputMode2", Qt::Key_C, kAlt, {"cancel", "outputMode1"}, 1},
    {"alt_o", 1, "outputMode2", Qt::Key_O, kAlt, {"ok", "outputMode3"}, 1},
    {"alt_t", 4, "backgroundBox", Qt::Key_T, kAlt, {"textBox", "tip"}, 4},
};

INSTANTIATE_TEST_SUITE_P(Presses, OptionsKeys, testing::ValuesIn(kKeyPresses),
                         [](const testing::TestParamInfo<KeyPress>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sonaflux
