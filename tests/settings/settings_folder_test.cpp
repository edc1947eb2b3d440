#include "settings/settings_folder.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "settings/parameters_file.h"
#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_paths.h"

namespace sonaflux {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable, or removes it, until the object goes.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::optional<std::string>& value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    if (value)
      ::setenv(name, value->c_str(), 1);
    else
      ::unsetenv(name);
  }
  ~ScopedEnvironment() {
    if (m_old)
      ::setenv(m_name, m_old->c_str(), 1);
    else
      ::unsetenv(m_name);
  }

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

enum class ConfigHome { Unset, Set, UnderAFile };
enum class Chosen { ProgramFolder, ConfigHomeSonaflux, HomeConfigSonaflux, Refused };

struct SettingsFolderRow {
  const char* name;
  bool programFolderWritable;
  bool markedPerUser;
  ConfigHome configHome;
  Chosen chosen;
};

class SettingsFolderChoice : public testing::TestWithParam<SettingsFolderRow> {};

TEST_P(SettingsFolderChoice, SetsUpTheFolderItChooses) {
  const SettingsFolderRow& row = GetParam();
  test::TempFolder program, home, config;
  const std::string defaults = test::readFileText(test::sourceFolder() + "data/snx.da0");
  test::writeFileText(program.file("snx.da0"), defaults);
  if (row.markedPerUser) test::writeFileText(program.file(kPerUserSettingsMarker), "");
  test::writeFileText(config.file("file"), "");
  std::optional<std::string> configHome;
  if (row.configHome == ConfigHome::Set) configHome = config.path();
  if (row.configHome == ConfigHome::UnderAFile) configHome = config.file("file");
  ScopedEnvironment homeVariable("HOME", home.path());
  ScopedEnvironment configVariable("XDG_CONFIG_HOME", configHome);
  if (!row.programFolderWritable) fs::permissions(program.path(), fs::perms::owner_read | fs::perms::owner_exec);

  test::RecordingHost host;
  AppContext ctx(host);
  ctx.paths.programFolder = program.path();
  setUpSettingsFolder(ctx);
  fs::permissions(program.path(), fs::perms::owner_all, fs::perm_options::add);

  const std::string expected = row.chosen == Chosen::ProgramFolder        ? program.path()
                               : row.chosen == Chosen::HomeConfigSonaflux ? home.path() + ".config/sonaflux/"
                                                                          : config.path() + "sonaflux/";
  if (row.chosen == Chosen::Refused) {
    const std::string refused = config.file("file") + "/sonaflux/";
    EXPECT_EQ(host.texts(), std::vector<std::string>{"Error: Cannot write to settings folder \"" + refused + "\"."});
    EXPECT_EQ(host.terminations, std::vector<int>{1});
    EXPECT_TRUE(home.entries().empty());
    return;
  }
  EXPECT_EQ(ctx.paths.writableFolder(), expected);
  // The settings read from there: a copy of the shipped ones, or the shipped file itself.
  readParameters(ctx);
  EXPECT_TRUE(host.messages.empty()) << host.texts().front();
  EXPECT_EQ(test::readFileText(expected + "snx.da0"), defaults);
  if (row.chosen == Chosen::ProgramFolder) {
    EXPECT_TRUE(home.entries().empty());
    EXPECT_EQ(config.entries(), std::vector<std::string>{"file"});
  } else {
    EXPECT_TRUE(fs::is_directory(expected + "Controllers"));
  }
}

using enum ConfigHome;
using enum Chosen;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, SettingsFolderChoice, testing::Values(
    SettingsFolderRow{.name = "WritableProgramFolder", .programFolderWritable = true, .markedPerUser = false,
                      .configHome = Set, .chosen = ProgramFolder},
    SettingsFolderRow{.name = "ReadOnlyProgramFolderConfigHomeSet", .programFolderWritable = false,
                      .markedPerUser = false, .configHome = Set, .chosen = ConfigHomeSonaflux},
    SettingsFolderRow{.name = "ReadOnlyProgramFolderConfigHomeUnset", .programFolderWritable = false,
                      .markedPerUser = false, .configHome = Unset, .chosen = HomeConfigSonaflux},
    SettingsFolderRow{.name = "PackagedProgramFolderEvenWhenWritable", .programFolderWritable = true,
                      .markedPerUser = true, .configHome = Unset, .chosen = HomeConfigSonaflux},
    SettingsFolderRow{.name = "FolderNotCreatable", .programFolderWritable = false, .markedPerUser = false,
                      .configHome = UnderAFile, .chosen = Refused}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

TEST(SettingsFolder, DamagedSettingsFileIsReportedWithItsPath) {
  test::TempFolder program, settings;
  test::writeFileText(settings.file("snx.da0"), "y\r\n/tmp/\r\n1\r\n");
  test::RecordingHost host;
  AppContext ctx(host);
  ctx.paths.programFolder = program.path();
  ctx.paths.settingsFolder = settings.path();
  readParameters(ctx);
  EXPECT_EQ(host.texts(),
            std::vector<std::string>{"Error: Corrupt parameters file \"" + settings.file("snx.da0") + "\"."});
  EXPECT_EQ(host.terminations, std::vector<int>{1});
}

}  // namespace
}  // namespace sonaflux
