#include "core/file_routines.h"

#include <gtest/gtest.h>

#include <algorithm>

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

// The buffered routines against a plain model of the file: reads, writes and
// seeks of every size around the 64 KiB buffer, past the end too, mixed with
// the plain calls of the file.
TEST(FileRoutines, BufferedReadsWritesAndSeeksAgreeWithTheFile) {
  Bytes model(200000);
  for (std::size_t i = 0; i < model.size(); ++i) model[i] = static_cast<std::uint8_t>(i * 31 + i / 977);
  RoutinesFixture f(model);
  std::uint32_t seed = 12345;
  const auto next = [&](std::uint32_t below) {
    seed = seed * 1664525u + 1013904223u;
    return (seed >> 8) % below;
  };
  const std::uint32_t sizes[] = {1, 4, 8, 417, 4096, 65535, 65536, 65537, 150000};
  std::int64_t pos = 1;
  Bytes buffer;
  for (int op = 0; op < 400; ++op) {
    SCOPED_TRACE(op);
    const std::size_t count = sizes[next(9)] + next(3);
    switch (next(5)) {
      case 0:
        // Anywhere, or a short way back as the frame scanner goes.
        pos = next(2) ? 1 + next(static_cast<std::uint32_t>(model.size()) + 100)
                      : std::max<std::int64_t>(1, pos - next(5000));
        seekTo(f.file, pos);
        break;
      case 1: {
        buffer.assign(count, 0xEE);
        const std::int64_t at = pos - 1;
        const std::int64_t got = readBlock(f.file, pos, buffer.data(), static_cast<std::int64_t>(count));
        const std::int64_t expected =
            std::clamp<std::int64_t>(static_cast<std::int64_t>(model.size()) - at, 0, static_cast<std::int64_t>(count));
        ASSERT_EQ(std::max<std::int64_t>(got, 0), expected);
        ASSERT_TRUE(std::equal(buffer.begin(), buffer.begin() + expected, model.begin() + at));
        if (got < static_cast<std::int64_t>(count)) seekTo(f.file, pos);  // the file pointer stopped at the end
        break;
      }
      case 2:
      case 3: {
        buffer.resize(count);
        for (auto& b : buffer) b = static_cast<std::uint8_t>(next(256));
        const std::size_t at = static_cast<std::size_t>(pos - 1);
        if (model.size() < at + count) model.resize(at + count, 0);
        std::copy(buffer.begin(), buffer.end(), model.begin() + static_cast<std::ptrdiff_t>(at));
        writeBlock(f.ctx, f.file, pos, buffer.data(), static_cast<std::int64_t>(count));
        break;
      }
      default: {
        // The plain calls see what the buffered ones did, and the other way round.
        std::uint8_t byte = 0;
        const std::size_t at = static_cast<std::size_t>(pos - 1);
        if (at < model.size()) {
          ASSERT_EQ(f.file.read(&byte, 1), 1);
          ASSERT_EQ(byte, model[at]);
        } else {
          byte = 0x77;
          model.resize(at + 1, 0);
          model[at] = byte;
          ASSERT_EQ(f.file.write(&byte, 1), 1);
        }
        ++pos;
      }
    }
  }
  EXPECT_TRUE(f.file.close());
  EXPECT_FALSE(f.ctx.job.jobFailed);
  EXPECT_EQ(test::readFileBytes(f.folder.file("f")), model);
}

// A plain file that refuses writes: the write held back fails when it is written out.
TEST(FileRoutines, AHeldBackWriteThatFailsIsReportedOnce) {
  RoutinesFixture f({1, 2, 3});
  ASSERT_TRUE(f.file.openExisting(f.folder.file("f"), FileAccess::Read, false));
  std::int64_t pos = 1;
  const std::uint8_t a[3] = {7, 8, 9};
  writeBlock(f.ctx, f.file, pos, a, 3);
  flushFile(f.ctx, f.file);
  flushFile(f.ctx, f.file);
  EXPECT_TRUE(f.ctx.job.jobFailed);
  EXPECT_EQ(f.host.texts(), std::vector<std::string>{"Error: Cannot write file."});
}

}  // namespace
}  // namespace sonaflux
