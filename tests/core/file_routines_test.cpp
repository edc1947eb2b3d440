#include "core/file_routines.h"

#include <gtest/gtest.h>

#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"

namespace sonaflux {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct RoutinesFixture {
  test::TempFolder folder;
  test::RecordingHost host;
  AppContext ctx{host};
  File file;

  explicit RoutinesFixture(const Bytes& contents) {
    test::writeFileBytes(folder.file("f"), contents);
    EXPECT_TRUE(file.openExisting(folder.file("f"), FileAccess::ReadWrite, true));
  }
};

// Positions move by the count asked for, whatever the file delivered; past
// the end a byte reads as 0. (Every stage's test pins seekTo counting from 1.)
TEST(FileRoutines, ReadsMoveByTheCountAskedFor) {
  RoutinesFixture f({0x41, 0x42, 0x43});
  std::int64_t pos = 2;
  seekTo(f.file, pos);
  std::uint8_t buffer[8] = {};
  EXPECT_EQ(readBlock(f.file, pos, buffer, 8), 2);  // a short read still succeeds
  EXPECT_EQ(pos, 10);
  EXPECT_LE(readBlock(f.file, pos, buffer, 4), 0);  // nothing left: failed
  EXPECT_EQ(pos, 14);
  std::uint8_t byte = 0xEE;
  readByte(f.file, pos, byte);
  EXPECT_EQ(byte, 0);
  EXPECT_EQ(pos, 15);
}

// A failed write (the stages' /dev/full rows) is each stage's to test.
TEST(FileRoutines, WritesAtTheFilePointerAndExclusiveFilesStayLockedUntilDeleted) {
  RoutinesFixture f({});
  std::int64_t pos = 1;
  const std::uint8_t a[3] = {1, 2, 3}, b[1] = {9};
  writeBlock(f.ctx, f.file, pos, a, 3);
  seekTo(f.file, 2);
  writeBlock(f.ctx, f.file, pos, b, 1);
  f.file.close();
  EXPECT_EQ(test::readFileBytes(f.folder.file("f")), (Bytes{1, 9, 3}));

  File made;
  bool createdNew = false;
  ASSERT_TRUE(made.createExclusive(f.folder.file("new"), createdNew));
  EXPECT_TRUE(createdNew);
  EXPECT_FALSE(File().openExisting(f.folder.file("new"), FileAccess::Read, true));
  closeAndDelete(f.ctx, f.folder.file("new"), made);
  EXPECT_FALSE(made.isOpen());
  EXPECT_FALSE(fileExists(f.folder.file("new")));
  EXPECT_FALSE(f.ctx.job.jobFailed);
}

}  // namespace
}  // namespace sonaflux
