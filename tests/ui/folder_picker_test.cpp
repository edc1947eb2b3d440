#include "ui/folder_picker.h"

#include <QFileDialog>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>

#include "tests/support/temp_folder.h"
#include "tests/ui/modal.h"

namespace sonaflux {
namespace {

TEST(FolderPicker, EndsTheChosenFolderInOneSeparator) {
  const std::pair<QString, std::string> rows[] = {
      {QStringLiteral("/srv/www"), "/srv/www/"},
      {QStringLiteral("/srv/www/"), "/srv/www/"},
      {QStringLiteral("/"), "/"},
      {QStringLiteral("/home/ann/Sound Files"), "/home/ann/Sound Files/"},
  };
  for (const auto& [folder, expected] : rows) EXPECT_EQ(folderWithSeparator(folder), expected) << folder.toStdString();
}

TEST(FolderPicker, GivesTheChosenFolderOrNothingOnCancel) {
  test::TempFolder root;
  std::filesystem::create_directory(root.file("Pages"));
  const QString start = QString::fromStdString(root.path());
  const QString chosen = QString::fromStdString(root.file("Pages"));
  for (bool accept : {true, false}) {
    SCOPED_TRACE(accept ? "accepted" : "cancelled");
    test::whenModalOpens([&](QWidget& window) {
      auto* dialog = qobject_cast<QFileDialog*>(&window);
      ASSERT_NE(dialog, nullptr);
      EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Choose the output folder"));
      dialog->setDirectory(chosen);
      if (accept) static_cast<QDialog*>(dialog)->accept();
      else dialog->reject();
    });
    std::optional<std::string> folder = pickFolder(nullptr, QStringLiteral("Choose the output folder"), start);
    if (accept) EXPECT_EQ(folder, std::optional<std::string>(root.file("Pages/")));
    else EXPECT_EQ(folder, std::nullopt);
  }
}

}  // namespace
}  // namespace sonaflux
