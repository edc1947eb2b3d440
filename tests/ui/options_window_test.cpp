#include "ui/options_window.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <filesystem>

#include <gtest/gtest.h>

#include "settings/parameters_file.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"

namespace sonaflux {
namespace {

using test::readFileBytes;
using test::readFileText;
using test::RecordingHost;
using test::TempFolder;
using test::writeFileText;

// The parameters file the window opens on.
const std::string kStoredFile =
    "y\r\n/home/ann/\r\n1\r\nClassic01150040\r\nd\r\n04\r\nn\r\nFFFFFF\r\n000000\r\n"
    "123456\r\nn\r\ny\r\nn\r\n";

// A program folder with the built controllers and the stored settings.
class OptionsWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(test::programFolder() + "Controllers", program.file("Controllers"));
    writeFileText(program.file("snx.da0"), kStoredFile);
    ctx.paths.programFolder = program.path();
    readParameters(ctx);
    ASSERT_TRUE(host.messages.empty());
    window = std::make_unique<OptionsWindow>(ctx, nullptr);
    window->pickFolder = [](QWidget*) { return std::optional<std::string>("/srv/sound"); };
    window->openPage = [this](const std::string& path) {
      openedPages.push_back(path);
      return pageOpens;
    };
    window->show();
  }

  template <typename T>
  T* child(const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }

  void showTab(int index) { window->findChild<QTabWidget*>()->setCurrentIndex(index); }

  void retype(const char* box, const char* text) {
    QLineEdit* edit = child<QLineEdit>(box);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromLatin1(text));
  }

  // The colour dialog, answered once it is up: it must open on 1,0,0.
  void pickColourWith(const char* button, QColor colour) {
    QColor openedOn;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QColorDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      openedOn = dialog->currentColor();
      dialog->setCurrentColor(colour);
      dialog->accept();
    });
    child<QPushButton>(button)->click();
    EXPECT_EQ(openedOn, QColor(1, 0, 0));
  }

  void changeEveryTab() {
    showTab(0);
    child<QRadioButton>("toFolder")->click();
    child<QPushButton>("browse")->click();
    retype("numberBox", "4321");
    auto* pageFor = child<QComboBox>("pageFor");
    pageFor->setCurrentIndex(3);
    emit pageFor->activated(3);
    showTab(1);
    child<QRadioButton>("outputMode3")->click();
    showTab(2);
    auto* list = child<QListWidget>("controllerList");
    QListWidgetItem* deck = list->findItems("Deck01120060", Qt::MatchExactly).value(0);
    ASSERT_NE(deck, nullptr);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(deck).center());
    showTab(3);
    child<QRadioButton>("instructionSpecial")->click();
    retype("specialBox", "Q");
    showTab(4);
    retype("backgroundBox", "ff8");
    pickColourWith("textPick", QColor(10, 11, 12));
    showTab(5);
    for (const char* box : {"buttonSounds", "backgroundPicture", "roundCorners"})
      child<QCheckBox>(box)->click();
  }

  TempFolder program;
  RecordingHost host;
  AppContext ctx{host};
  std::unique_ptr<OptionsWindow> window;
  std::vector<std::string> openedPages;
  bool pageOpens = true;
};

TEST_F(OptionsWindowTest, OkAfterChangingEveryTabSavesEveryLine) {
  // The tip window saves its own choices; OK keeps its check box, not its tip.
  window->runTip = [this](QWidget*) {
    ctx.settings.nextTipNumber = 9;
    ctx.settings.showTipsAtStartup = true;
    ASSERT_TRUE(saveParameters(ctx));
  };
  changeEveryTab();
  child<QPushButton>("tip")->click();
  child<QPushButton>("ok")->click();

  EXPECT_EQ(window->result(), QDialog::Accepted);
  EXPECT_EQ(readFileText(program.file("snx.da0")),
            "n\r\n/srv/sound/\r\n3\r\nDeck01120060\r\nq\r\n04\r\ny\r\nff8\r\n0A0B0C\r\n"
            "4321\r\ny\r\nn\r\ny\r\n4\r\n");
  EXPECT_EQ(ctx.settings.nextOutputNumber, 4321);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(OptionsWindowTest, CancelAfterChangingEveryTabLeavesTheFileAsItWas) {
  const std::vector<std::uint8_t> before = readFileBytes(program.file("snx.da0"));
  const SettingsRecord settings = ctx.settings;
  changeEveryTab();
  child<QPushButton>("cancel")->click();

  EXPECT_EQ(window->result(), QDialog::Rejected);
  EXPECT_EQ(readFileBytes(program.file("snx.da0")), before);
  EXPECT_EQ(ctx.settings, settings);
}

TEST_F(OptionsWindowTest, UntypedNumberIsTheOneOnDiskAtOk) {
  // Shown in full, not cut to five digits by being shown.
  EXPECT_EQ(child<QLineEdit>("numberBox")->text(), "123456");
  EXPECT_EQ(child<QListWidget>("controllerList")->currentItem()->text(), "Classic01150040");
  // Meanwhile a job from the same program folder takes two numbers.
  writeFileText(program.file("snx.da0"),
                "y\r\n/home/ann/\r\n1\r\nClassic01150040\r\nd\r\n04\r\nn\r\nFFFFFF\r\n000000\r\n"
                "123458\r\nn\r\ny\r\nn\r\n");
  showTab(4);
  retype("backgroundBox", "C0C0C0");
  child<QPushButton>("ok")->click();

  EXPECT_EQ(readOutputNumberOnDisk(program.path()), 123458);
  EXPECT_EQ(ctx.settings.backgroundColour, "C0C0C0");
}

TEST_F(OptionsWindowTest, PreviewUsesTheWorkingColoursAndReportsALaunchFailure) {
  showTab(4);
  retype("backgroundBox", "\"<9");
  pageOpens = false;
  showTab(2);
  child<QPushButton>("preview")->click();

  const std::string page = program.file("Controllers/preview.htm");
  EXPECT_EQ(openedPages, std::vector<std::string>{page});
  EXPECT_NE(readFileText(page).find("<body bgcolor=\"#009\" text=\"#000000\">"),
            std::string::npos);
  EXPECT_EQ(host.texts(), std::vector<std::string>{
                              "Error: Could not launch the web page with the default browser."});
  // Only OK saves.
  EXPECT_EQ(readFileText(program.file("snx.da0")), kStoredFile);
}

TEST_F(OptionsWindowTest, AControllerNotInTheListStaysUnlessTheUserPicksOne) {
  ctx.settings.controllerName = "Round02080080";
  OptionsWindow other(ctx, nullptr);
  other.show();
  other.activateWindow();
  QApplication::setActiveWindow(&other);
  auto* list = other.findChild<QListWidget*>("controllerList");
  other.findChild<QTabWidget*>()->setCurrentIndex(2);
  ASSERT_EQ(QApplication::focusWidget(), list);
  EXPECT_TRUE(list->selectedItems().isEmpty());
  other.findChild<QPushButton*>("ok")->click();
  EXPECT_EQ(ctx.settings.controllerName, "Round02080080");
}

TEST_F(OptionsWindowTest, EachTabGivesTheFocusBackToItsLastControl) {
  window->activateWindow();
  QApplication::setActiveWindow(window.get());
  showTab(4);
  QLineEdit* text = child<QLineEdit>("textBox");
  text->setFocus();
  showTab(0);
  EXPECT_EQ(QApplication::focusWidget(), child<QRadioButton>("toDesktop"));
  showTab(4);
  EXPECT_EQ(QApplication::focusWidget(), text);
}

}  // namespace
}  // namespace sonaflux
