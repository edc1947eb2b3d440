#include "ui/options_window.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QTabWidget>

#include "tests/ui/gui_fixture.h"

namespace sonaflux {
namespace {

using test::readFileText;
using test::writeFileText;

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
    window = std::make_unique<OptionsWindow>(ctx, nullptr);
    window->pickFolder = [](QWidget*) { return std::optional<std::string>("/srv/sound"); };
    window->openPage = [this](const std::string& path) {
      openedPages.push_back(path);
      return pageOpens;
    };
    window->show();
    window->activateWindow();
    QApplication::setActiveWindow(window.get());
  }

  template <typename T = QPushButton>
  T* child(const char* name) {
    return &test::child<T>(*window, name);
  }

  void showTab(int index) { window->findChild<QTabWidget*>()->setCurrentIndex(index); }

  void retype(const char* box, const char* text) {
    QLineEdit* edit = child<QLineEdit>(box);
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QString::fromLatin1(text));
  }

  void changeEveryTab() {
    showTab(0);
    child<QRadioButton>("toFolder")->click();
    child("browse")->click();
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
    QColor openedOn;
    {
      auto answer = test::answerModals([&](QWidget& modal) {
        auto* dialog = qobject_cast<QColorDialog*>(&modal);
        ASSERT_NE(dialog, nullptr);
        openedOn = dialog->currentColor();
        dialog->setCurrentColor(QColor(10, 11, 12));
        dialog->accept();
      });
      child("textPick")->click();
    }
    EXPECT_EQ(openedOn, QColor(1, 0, 0));
    showTab(5);
    for (const char* box : {"buttonSounds", "backgroundPicture", "roundCorners"})
      child<QCheckBox>(box)->click();
  }

  std::unique_ptr<OptionsWindow> window;
  std::vector<std::string> openedPages;
  bool pageOpens = true;
};

// Only OK saves. A number left as it was is the one on disk at OK (a job may
// have taken some meanwhile), and a controller not in the list stays unless the user picks one.
TEST_F(OptionsWindowTest, OkSavesEveryChangedLineAndCancelNothing) {
  const SettingsRecord settings = ctx.settings;
  // Shown in full, not cut to five digits by being shown.
  EXPECT_EQ(child<QLineEdit>("numberBox")->text(), "123456");
  EXPECT_EQ(child<QListWidget>("controllerList")->currentItem()->text(), "Classic01150040");
  showTab(4);
  retype("backgroundBox", "\"<9");
  // Each tab gives the focus back to the control last used there, or to its first.
  showTab(0);
  EXPECT_EQ(QApplication::focusWidget(), child<QRadioButton>("toDesktop"));
  showTab(4);
  EXPECT_EQ(QApplication::focusWidget(), child<QLineEdit>("backgroundBox"));
  pageOpens = false;
  showTab(2);
  child("preview")->click();
  const std::string page = program.file("Controllers/preview.htm");
  EXPECT_EQ(openedPages, std::vector<std::string>{page});
  EXPECT_NE(readFileText(page).find("<body bgcolor=\"#009\" text=\"#000000\">"), std::string::npos);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].text, "Error: Could not launch the web page with the default browser.");
  changeEveryTab();
  child("cancel")->click();
  EXPECT_EQ(window->result(), QDialog::Rejected);
  EXPECT_EQ(readFileText(program.file("snx.da0")), kStoredFile);
  EXPECT_EQ(ctx.settings, settings);

  open();
  // The tip window saves its own choices; OK keeps its check box, not its tip.
  window->runTip = [this](QWidget*) {
    ctx.settings.nextTipNumber = 9;
    ctx.settings.showTipsAtStartup = true;
    ASSERT_TRUE(saveParameters(ctx));
  };
  changeEveryTab();
  child("tip")->click();
  child("ok")->click();
  EXPECT_EQ(window->result(), QDialog::Accepted);
  EXPECT_EQ(readFileText(program.file("snx.da0")),
            "n\r\n/srv/sound/\r\n3\r\nDeck01120060\r\nq\r\n04\r\ny\r\nff8\r\n0A0B0C\r\n"
            "4321\r\ny\r\nn\r\ny\r\n4\r\n");
  EXPECT_EQ(ctx.settings.nextOutputNumber, 4321);
  EXPECT_EQ(messages.size(), 1u);

  ctx.settings.controllerName = "Round02080080";
  open();
  showTab(2);
  EXPECT_EQ(QApplication::focusWidget(), child<QListWidget>("controllerList"));
  EXPECT_TRUE(child<QListWidget>("controllerList")->selectedItems().isEmpty());
  writeFileText(program.file("snx.da0"), kStoredFile);
  child("ok")->click();
  EXPECT_EQ(ctx.settings.controllerName, "Round02080080");
  EXPECT_EQ(ctx.settings.nextOutputNumber, 123456);
}

}  // namespace
}  // namespace sonaflux
