#include <QAccessible>
#include <QColorDialog>
#include <QComboBox>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>

#include "settings/tips_file.h"
#include "tests/ui/gui_fixture.h"
#include "ui/coloured_edit.h"
#include "ui/coloured_label.h"
#include "ui/folder_picker.h"
#include "ui/message_window.h"
#include "ui/options_window.h"
#include "ui/output_text_dialog.h"
#include "ui/skinned_button.h"
#include "ui/tip_dialog.h"

namespace sonaflux {
namespace {

using test::child;
using test::click;
using test::readFileText;
using test::writeFileText;

// Every step is saved at once: the tip's number and the show-at-startup box;
// every installed tip fits its place; a failed save ends the program.
TEST(TipWindow, StepsThroughTheTipsSavingEveryStepAndEachTipFits) {
  test::GuiFixture f;
  const std::string tips = readFileText(f.program.file("tips.da0"));
  const std::int32_t count = pickTip(tips, 0).number;
  ASSERT_GT(count, 2);
  f.ctx.settings.nextTipNumber = 0;
  f.ctx.settings.showTipsAtStartup = true;
  auto onDisk = [&f] { return decodeParameters(readFileText(f.program.file("snx.da0"))).value_or(SettingsRecord{}); };
  // Back from the first tip to the last and forward again, the box off and on.
  enum Step { Open, Next, Previous, Box };
  const std::pair<Step, std::int32_t> steps[] = {{Open, 1}, {Previous, count}, {Next, 1},     {Box, 1},
                                                 {Next, 2}, {Box, 2},          {Previous, 1}, {Box, 1}};
  bool shown = true, justClose = false;
  auto answer = test::answerModals([&](QWidget& window) {
    if (justClose) return QTest::keyClick(&window, Qt::Key_Escape);
    QCheckBox& box = child<QCheckBox>(window, "showAtStartup");
    QLabel& text = child<QLabel>(window, "tipText");
    for (const auto& [step, number] : steps) {
      if (step == Next) click(window, "nextTip");
      if (step == Previous) click(window, "previousTip");
      if (step == Box) {
        // On the tick box itself: the widget is wider than its label.
        QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, box.height() / 2));
        shown = !shown;
      }
      EXPECT_EQ(text.text().toStdString(), pickTip(tips, number).text);
      EXPECT_EQ(std::tuple(box.isChecked(), onDisk().showTipsAtStartup, onDisk().nextTipNumber),
                std::tuple(shown, shown, number));
    }
    for (std::int32_t tip = 1; tip <= count; ++tip, click(window, "nextTip"))
      EXPECT_LE(text.heightForWidth(text.width()), text.height()) << "tip " << tip << " is cut off";
    QTest::keyClick(&window, Qt::Key_Escape);
  });
  TipDialog(f.ctx, nullptr).exec();
  EXPECT_EQ(std::tuple(f.ctx.settings.nextTipNumber, f.ctx.settings.showTipsAtStartup, onDisk().showTipsAtStartup),
            std::tuple(1, false, false));
  EXPECT_TRUE(f.messages.empty());
  EXPECT_FALSE(f.exitCode);

  justClose = true;
  f.ctx.paths.programFolder = f.program.file("missing/");
  TipDialog(f.ctx, nullptr).exec();
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].text, "Error: Cannot write to parameters file.");
  EXPECT_EQ(f.exitCode, 1);
}

TEST(OutputTextWindow, OkStoresTheEditedTitleAndEverythingElseStartsNoJob) {
  // The title, what is typed over it (nothing: left as it is), the button
  // clicked or the key pressed, and the title stored.
  const std::tuple<std::string, std::optional<QString>, std::string, std::string> rows[] = {
      {"Artist - Song", QStringLiteral("My song"), "ok", "My song"},
      {"Artist - Song", QStringLiteral("Typed"), "Return", "Typed"},
      {"Artist - Song", QString(), "ok", ""},
      {"Ærø – Übermut ♪", std::nullopt, "ok", "Ærø – Übermut ♪"},  // untouched UTF-8 stays
      {"x", QStringLiteral("<b>A & B</b>"), "ok", "<b>A & B</b>"},
      {"Artist - Song", QStringLiteral("Changed"), "Escape", "Artist - Song"},
  };
  for (const auto& [title, typed, how, stored] : rows) {
    SCOPED_TRACE(stored + " " + how);
    const bool accepted = how == "ok" || how == "Return";
    GuiHost host;
    AppContext ctx(host);
    ctx.inputs.inputTitle = title;
    auto answer = test::answerModals([&](QWidget& window) {
      QLineEdit& edit = child<QLineEdit>(window, "outputText");
      EXPECT_EQ(edit.text().toStdString(), title);
      if (typed) {
        edit.clear();
        QTest::keyClicks(&edit, *typed);
      }
      if (how == "ok")
        click(window, "ok");
      else
        QTest::keyClick(&edit, how == "Return" ? Qt::Key_Return : Qt::Key_Escape);
    });
    EXPECT_EQ(OutputTextDialog(ctx, nullptr).exec() == QDialog::Accepted, accepted);
    EXPECT_EQ(ctx.inputs.inputTitle, stored);
  }
}

TEST(FolderPicker, GivesTheChosenFolderEndingInOneSeparatorOrNothingOnCancel) {
  for (const auto& [folder, expected] : {std::pair{"/srv/www", "/srv/www/"},
                                         {"/srv/www/", "/srv/www/"},
                                         {"/", "/"},
                                         {"/home/ann/Sound Files", "/home/ann/Sound Files/"}})
    EXPECT_EQ(folderWithSeparator(QString::fromUtf8(folder)), expected);

  test::TempFolder root;
  std::filesystem::create_directory(root.file("Pages"));
  for (bool accept : {true, false}) {
    auto answer = test::answerModals([&](QWidget& window) {
      auto* dialog = qobject_cast<QFileDialog*>(&window);
      ASSERT_NE(dialog, nullptr);
      dialog->setDirectory(QString::fromStdString(root.file("Pages")));
      if (accept)
        static_cast<QDialog*>(dialog)->accept();
      else
        dialog->reject();
    });
    const std::optional<std::string> folder =
        pickFolder(nullptr, QStringLiteral("Choose the output folder"), QString::fromStdString(root.path()));
    EXPECT_EQ(folder, accept ? std::optional(root.file("Pages/")) : std::nullopt);
  }
}

constexpr QRgb kMagenta = qRgb(255, 0, 255);

QRgb rgb(const QImage& image, QPoint at) { return image.pixel(at) & 0xFFFFFFu; }

TEST(SkinnedPictures, GreyTruncatesTheWeightedSumAndOnlyTheTransparentColourIsHidden) {
  // 0.299 R + 0.587 G + 0.114 B worked out by hand; -1: left unchanged.
  const std::pair<QRgb, int> rows[] = {
      {qRgb(255, 255, 255), 255},  // exactly 255, no rounding down to 254
      {qRgb(255, 0, 0), 76},       // 76.245
      {qRgb(100, 150, 200), 140},  // 29.9 + 88.05 + 22.8 = 140.75, truncated
      {qRgb(254, 0, 255), 105},    // next to magenta: 75.946 + 29.07
      {kMagenta, -1},
  };
  QImage picture(std::size(rows), 1, QImage::Format_RGB32);
  for (int x = 0; x < picture.width(); ++x) picture.setPixel(x, 0, rows[x].first);
  const QImage grey = autoGreyPicture(picture, kMagenta);
  const QImage masked = maskedPicture(picture, kMagenta);
  for (int x = 0; x < picture.width(); ++x) {
    const auto [in, g] = rows[x];
    EXPECT_EQ(rgb(grey, {x, 0}), g < 0 ? in & 0xFFFFFFu : qRgb(g, g, g) & 0xFFFFFFu) << x;
    EXPECT_EQ(masked.pixel(x, 0), in == kMagenta ? 0u : in) << x;
  }
}

// A picture or cursor that cannot be read is reported the same way, and the
// button keeps none: it draws no old picture, shows the default cursor.
TEST(SkinnedButton, ReportsAnUnreadablePictureOrCursorAndKeepsNone) {
  test::TempFolder folder;
  const QString picture = QString::fromStdString(folder.file("button.png"));
  QImage red(8, 8, QImage::Format_RGB32);
  red.fill(Qt::red);
  ASSERT_TRUE(red.save(picture));
  const QString missing = QString::fromStdString(folder.file("missing.png"));
  SkinnedButton button;
  ASSERT_EQ(button.setPictures(picture, kMagenta), PictureStatus::Set);
  ASSERT_EQ(button.setCursorPicture(picture, {0, 0}), PictureStatus::Set);
  EXPECT_EQ(button.setPictures(missing, kMagenta), PictureStatus::Unreadable);
  EXPECT_EQ(button.setCursorPicture(missing, {0, 0}), PictureStatus::Unreadable);
  EXPECT_NE(button.cursor().shape(), Qt::BitmapCursor);
  EXPECT_NE(button.sizeHint(), QSize(8, 8)) << "the old picture is still set";
}

// Only a label or a read-only box shows its own text colour; an editable box
// keeps the platform's. All take the background, the face and a height in pixels.
TEST(ColouredControls, OnlyALabelOrAReadOnlyBoxShowsItsOwnTextColour) {
  ColouredLabel label;
  ColouredEdit edit, readOnly;
  readOnly.setReadOnly(true);
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
       {std::pair{styled(label), true}, {styled(edit), false}, {styled(readOnly), true}}) {
    const QImage shot = test::grabbed(*control);
    EXPECT_EQ(test::countPixels(shot, [](QRgb p) { return qRed(p) > 200 && qGreen(p) < 60; }) > 20, ownColour);
    EXPECT_EQ(rgb(shot, {shot.width() - 8, shot.height() / 2}), 0xFFFF00u);
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

// Only OK saves. A number left as it was is the one on disk at OK (a job may
// have taken some meanwhile), and a controller not in the list stays unless the user picks one.
TEST_F(OptionsWindowTest, OkSavesEveryChangedLineAndCancelNothing) {
  const SettingsRecord settings = ctx.settings;
  // Shown in full, not cut to five digits by being shown.
  EXPECT_EQ(child<QLineEdit>("numberBox")->text(), "123456");
  EXPECT_EQ(child<QListWidget>("controllerList")->currentItem()->text(), "Classic01150040");
  tabs()->setCurrentIndex(4);
  retype("backgroundBox", "\"<9");
  // Each tab gives the focus back to the control last used there, or to its first.
  tabs()->setCurrentIndex(0);
  EXPECT_EQ(QApplication::focusWidget(), child<QRadioButton>("toDesktop"));
  tabs()->setCurrentIndex(4);
  EXPECT_EQ(QApplication::focusWidget(), child<QLineEdit>("backgroundBox"));
  // No browser takes the preview here. Its working window stays above this
  // one, over the list, while the message shows.
  tabs()->setCurrentIndex(2);
  auto* list = child<QListWidget>("controllerList");
  host.setMessageResponder([&](const std::string& text, MessageIcon, MessageButtons) {
    messages.push_back({text, MessageIcon::Exclamation, host.owner()});
    if (messages.size() > 1) return MessageAnswer::Ok;
    auto* working = window->findChild<MessageWindow*>();
    EXPECT_TRUE(working && working->isVisible() && working->text() == QStringLiteral("Generating preview..."));
    if (!working) return MessageAnswer::Ok;
    EXPECT_EQ(working->windowHandle()->transientParent(), window->windowHandle());
    const QPoint offset = working->frameGeometry().center() - list->mapToGlobal(list->rect().center());
    EXPECT_LE(offset.manhattanLength(), 1) << offset.x() << "," << offset.y();
    return MessageAnswer::Ok;
  });
  // No launcher on the path: the launch fails while the preview's window shows.
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
  changeEveryTab();
  child("cancel")->click();
  EXPECT_EQ(window->result(), QDialog::Rejected);
  EXPECT_EQ(readFileText(program.file("snx.da0")), kStoredFile);
  EXPECT_EQ(ctx.settings, settings);

  open();
  // The tip window saves its own choices; OK keeps its check box, not its tip.
  changeEveryTab();
  {
    auto answer = test::answerModals([](QWidget& tip) {
      QCheckBox& box = test::child<QCheckBox>(tip, "showAtStartup");
      QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(6, box.height() / 2));
      click(tip, "nextTip");
      click(tip, "ok");
    });
    child("tip")->click();
  }
  EXPECT_EQ(ctx.settings.nextTipNumber, 6);
  child("ok")->click();
  EXPECT_EQ(window->result(), QDialog::Accepted);
  EXPECT_EQ(readFileText(program.file("snx.da0")), "n\r\n" + output.path() +
                                                       "\r\n3\r\nDeck01120060\r\nq\r\n04\r\ny\r\nff8\r\n0A0B0C\r\n"
                                                       "4321\r\ny\r\nn\r\ny\r\n4\r\n");
  EXPECT_EQ(ctx.settings.nextOutputNumber, 4321);
  EXPECT_EQ(messages.size(), 2u);

  ctx.settings.controllerName = "Round02080080";
  open();
  tabs()->setCurrentIndex(2);
  EXPECT_EQ(QApplication::focusWidget(), child<QListWidget>("controllerList"));
  EXPECT_TRUE(child<QListWidget>("controllerList")->selectedItems().isEmpty());
  writeFileText(program.file("snx.da0"), kStoredFile);
  child("ok")->click();
  EXPECT_EQ(ctx.settings.controllerName, "Round02080080");
  EXPECT_EQ(ctx.settings.nextOutputNumber, 123456);
}

// 272 by 182 dialog units; a text too long for its place breaks into lines
// rather than being cut or squeezing its neighbours.
TEST_F(OptionsWindowTest, KeepsItsSizeAndEveryTabFitsInIt) {
  EXPECT_EQ(window->size(), QSize(408, 296));
  for (int tab = 0; tab < tabs()->count(); ++tab) {
    tabs()->setCurrentIndex(tab);
    QWidget* page = tabs()->widget(tab);
    for (QWidget* control : page->findChildren<QWidget*>()) {
      if (!control->isVisibleTo(page) || control->isWindow()) continue;
      SCOPED_TRACE(tabs()->tabText(tab).toStdString() + " " + control->metaObject()->className() + " " +
                   control->objectName().toStdString());
      EXPECT_TRUE(page->rect().contains(QRect(control->mapTo(page, QPoint(0, 0)), control->size())));
      // A size set on purpose counts rather than the control's own wish.
      QSize least = control->minimumSizeHint();
      if (control->minimumWidth() > 0) least.setWidth(control->minimumWidth());
      if (control->minimumHeight() > 0) least.setHeight(control->minimumHeight());
      if (control->hasHeightForWidth()) {
        EXPECT_LE(control->heightForWidth(control->width()), control->height());
      } else if (least.isValid()) {
        EXPECT_TRUE(control->width() >= least.width() && control->height() >= least.height())
            << control->width() << "x" << control->height() << " < " << least.width() << "x" << least.height();
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

const KeyPress kKeyPresses[] = {
    {.name = "ctrl_tab_in_page_for",
     .tab = 0,
     .from = "pageFor",
     .key = Qt::Key_Tab,
     .modifiers = Qt::ControlModifier,
     .reaches = {"outputMode1"},
     .tabAfter = 1},
    {.name = "ctrl_tab_on_ok",
     .tab = 4,
     .from = "ok",
     .key = Qt::Key_Tab,
     .modifiers = Qt::ControlModifier,
     .reaches = {"buttonSounds"},
     .tabAfter = 5},
    {.name = "ctrl_tab_wraps_round",
     .tab = 5,
     .from = "roundCorners",
     .key = Qt::Key_Tab,
     .modifiers = Qt::ControlModifier,
     .reaches = {"toDesktop"},
     .tabAfter = 0},
    {.name = "ctrl_shift_tab_in_page_for",
     .tab = 0,
     .from = "pageFor",
     .key = Qt::Key_Backtab,
     .modifiers = Qt::ControlModifier | Qt::ShiftModifier,
     .reaches = {"buttonSounds"},
     .tabAfter = 5},
    {.name = "alt_c",
     .tab = 1,
     .from = "outputMode2",
     .key = Qt::Key_C,
     .modifiers = Qt::AltModifier,
     .reaches = {"cancel", "outputMode1"},
     .tabAfter = 1},
    {.name = "alt_o",
     .tab = 1,
     .from = "outputMode2",
     .key = Qt::Key_O,
     .modifiers = Qt::AltModifier,
     .reaches = {"ok", "outputMode3"},
     .tabAfter = 1},
    {.name = "alt_t",
     .tab = 4,
     .from = "backgroundBox",
     .key = Qt::Key_T,
     .modifiers = Qt::AltModifier,
     .reaches = {"textBox", "tip"},
     .tabAfter = 4},
};

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
    QWidget* focus = QApplication::focusWidget();
    reached.push_back(focus ? focus->objectName().toStdString() : "");
  }
  std::sort(reached.begin(), reached.end());
  EXPECT_EQ(reached, row.reaches);
  EXPECT_EQ(tabs()->currentIndex(), row.tabAfter);
  EXPECT_TRUE(window->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Presses, OptionsKeys, testing::ValuesIn(kKeyPresses),
                         [](const testing::TestParamInfo<KeyPress>& info) { return std::string(info.param.name); });

// What a screen reader finds without a name on each tab.
std::vector<std::string> unnamed(QAccessibleInterface* node, const std::string& path = "") {
  std::vector<std::string> found;
  if (!node) return found;
  const QAccessible::Role role = node->role();
  const std::string here = path + "/" + std::to_string(role);
  const bool container = role == QAccessible::Client || role == QAccessible::Pane || role == QAccessible::PageTabList ||
                         role == QAccessible::ScrollBar || role == QAccessible::LayeredPane;
  QObject* object = node->object();
  if (!container && node->text(QAccessible::Name).trimmed().isEmpty())
    found.push_back(here + " " +
                    (object ? object->metaObject()->className() + (" " + object->objectName().toStdString()) : ""));
  for (int i = 0; i < node->childCount(); ++i) {
    const std::vector<std::string> below = unnamed(node->child(i), here);
    found.insert(found.end(), below.begin(), below.end());
  }
  return found;
}

TEST_F(OptionsWindowTest, EveryControlOnEveryTabAndTheWindowHaveAccessibleNames) {
  // Hidden tabs are walked too.
  EXPECT_EQ(unnamed(QAccessible::queryAccessibleInterface(window.get())), std::vector<std::string>{});
  EXPECT_EQ(QAccessible::queryAccessibleInterface(window.get())->text(QAccessible::Name),
            QStringLiteral("Sonaflux - Options"));
}

}  // namespace
}  // namespace sonaflux
