#include "core/file_routines.h"

#include <gtest/gtest.h>

#include "tests/support/recording_host.h"
#include "tests/support/temp_folder.h"

namespace sonaflux {
namespace {

using test::RecordingHost;
using test::TempFolder;

TEST(FileRoutines, ReadByteYieldsZeroPastTheEndAndStillMovesOn) {
  TempFolder folder;
  test::writeFileBytes(folder.file("f"), {0x41, 0x42});
  File file;
  ASSERT_TRUE(file.openExisting(folder.file("f"), FileAccess::Read, true));
  std::int64_t pos = 1;
  std::uint8_t byte = 0xEE;
  readByte(file, pos, byte);
  EXPECT_EQ(byte, 0x41);
  readByte(file, pos, byte);
  EXPECT_EQ(byte, 0x42);
  byte = 0xEE;
  readByte(file, pos, byte);
  EXPECT_EQ(byte, 0);
  EXPECT_EQ(pos, 4);
}

TEST(FileRoutines, ReadBlockReportsFailurePastTheEndAndMovesByTheFullCount) {
  TempFolder folder;
  test::writeFileBytes(folder.file("f"), {1, 2, 3});
  File file;
  ASSERT_TRUE(file.openExisting(folder.file("f"), FileAccess::Read, true));
  std::int64_t pos = 1;
  std::uint8_t buffer[8] = {};
  EXPECT_EQ(readBlock(file, pos, buffer, 8), 3);  // a short read still succeeds
  EXPECT_EQ(pos, 9);
  EXPECT_LE(readBlock(file, pos, buffer, 4), 0);  // nothing left: failed
  EXPECT_EQ(pos, 13);
}

TEST(FileRoutines, SeekToPositionOneGoesBackToTheStart) {
  TempFolder folder;
  test::writeFileBytes(folder.file("f"), {7, 8, 9});
  File file;
  ASSERT_TRUE(file.openExisting(folder.file("f"), FileAccess::Read, true));
  std::int64_t pos = 1;
  std::uint8_t byte = 0;
  readByte(file, pos, byte);
  readByte(file, pos, byte);
  seekTo(file, 1);
  readByte(file, pos, byte);
  EXPECT_EQ(byte, 7);
  seekTo(file, 3);
  readByte(file, pos, byte);
  EXPECT_EQ(byte, 9);
}

TEST(FileRoutines, FailedWriteReportsOnceFailsTheJobAndStillMovesOn) {
  RecordingHost host;
  AppContext ctx(host);
  File full;
  ASSERT_TRUE(full.openExisting("/dev/full", FileAccess::ReadWrite, false));
  std::int64_t pos = 1;
  const std::uint8_t bytes[5] = {1, 2, 3, 4, 5};
  writeBlock(ctx, full, pos, bytes, 5);
  EXPECT_TRUE(ctx.job.jobFailed);
  EXPECT_EQ(pos, 6);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Error: Cannot write file.");
  EXPECT_EQ(host.messages[0].icon, MessageIcon::Exclamation);
}

TEST(FileRoutines, WriteBlockAppendsAtTheFilePointer) {
  RecordingHost host;
  AppContext ctx(host);
  TempFolder folder;
  test::writeFileBytes(folder.file("f"), {});
  File file;
  ASSERT_TRUE(file.openExisting(folder.file("f"), FileAccess::ReadWrite, true));
  std::int64_t pos = 1;
  const std::uint8_t a[3] = {1, 2, 3};
  writeBlock(ctx, file, pos, a, 3);
  seekTo(file, 2);
  const std::uint8_t b[1] = {9};
  writeBlock(ctx, file, pos, b, 1);
  file.close();
  EXPECT_EQ(test::readFileBytes(folder.file("f")), (std::vector<std::uint8_t>{1, 9, 3}));
  EXPECT_FALSE(ctx.job.jobFailed);
  EXPECT_TRUE(host.messages.empty());
}

TEST(FileRoutines, ExclusiveOpenFailsWhileAnotherDescriptorHoldsTheFile) {
  TempFolder folder;
  test::writeFileBytes(folder.file("f"), {1});
  File holder;
  ASSERT_TRUE(holder.openExisting(folder.file("f"), FileAccess::Read, true));
  File second;
  EXPECT_FALSE(second.openExisting(folder.file("f"), FileAccess::Read, true));
  holder.close();
  EXPECT_TRUE(second.openExisting(folder.file("f"), FileAccess::Read, true));
}

TEST(FileRoutines, CloseAndDeleteRemovesTheFileAndPumps) {
  RecordingHost host;
  AppContext ctx(host);
  TempFolder folder;
  test::writeFileBytes(folder.file("t"), {1});
  File file;
  ASSERT_TRUE(file.openExisting(folder.file("t"), FileAccess::ReadWrite, true));
  closeAndDelete(ctx, folder.file("t"), file);
  EXPECT_FALSE(file.isOpen());
  EXPECT_FALSE(fileExists(folder.file("t")));
  EXPECT_EQ(host.pumps, 1);
}

}  // namespace
}  // namespace sonaflux
