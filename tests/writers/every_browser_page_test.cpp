#include "writers/every_browser_page.h"

#include <gtest/gtest.h>

#include <numeric>

#include "core/page_for.h"
#include "tests/support/swf_walker.h"
#include "tests/writers/writing_stage_fixture.h"
#include "writers/html_page_writer.h"

namespace sonaflux {
namespace {

using test::WritingStageFixture;

std::string audioLine(const std::string& page) {
  std::size_t start = page.find("<audio ");
  return start == std::string::npos ? "" : page.substr(start, page.find("\r\n", start) - start);
}

TEST(EveryBrowserPage, SoundStartsAndLoopsAsTheOutputWould) {
  struct Row {
    std::int32_t outputMode;
    std::string instruction;
    bool autoplay, loop;
  };
  const Row rows[] = {
      {kOutputModeBareLooping, "c", true, true},  {kOutputModeBareOnce, "e", true, false},
      {kOutputModeController, "c", false, true},  {kOutputModeController, "d", false, false},
      {kOutputModeController, "e", true, true},   {kOutputModeController, "f", true, false},
      {kOutputModeController, "F", true, false},  {kOutputModeController, "x", false, true},
      {kOutputModeController, "", false, true},   {kOutputModeController, "s", false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.outputMode) + " " + row.instruction);
    test::RecordingHost host;
    AppContext ctx(host);
    ctx.settings.outputMode = row.outputMode;
    ctx.settings.instruction = row.instruction;
    ctx.job.outputBaseName = "snx12";
    std::string expected = "<audio id=\"sound\" data-src=\"snx12.mp3\" controls preload=\"auto\"";
    expected += std::string(row.autoplay ? " autoplay" : "") + (row.loop ? " loop" : "") + "></audio>";
    EXPECT_EQ(audioLine(buildEveryBrowserPage(everyBrowserPageFields(ctx))), expected);
  }
}

TEST(EveryBrowserPage, TitleAndColoursCannotBreakTheMarkup) {
  struct Row {
    std::string title, written;
  };
  const Row rows[] = {
      {"Rock & Roll <live> | 2003", "Rock &amp; Roll &lt;live&gt; | 2003"},
      {"\"></title><script>alert(1)</script>", "&quot;&gt;&lt;/title&gt;&lt;script&gt;alert(1)&lt;/script&gt;"},
      {"It's", "It&#39;s"},
      {"Caf\xC3\xA9 \xE2\x82\xAC", "Caf\xC3\xA9 \xE2\x82\xAC"},  // UTF-8 stays as it is
      {"Caf\xE9", "Caf\xC3\xA9"},                                // Latin-1 from old tags
      {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                          // overlong: two Latin-1 bytes
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.title);
    EXPECT_EQ(escapeHtml(row.title), row.written);
    std::string page = buildEveryBrowserPage({row.title, "FFFFFF", "000000", "snx1.mp3", true, true});
    EXPECT_NE(page.find("<title>" + row.written + "</title>"), std::string::npos);
    EXPECT_NE(page.find("<p>" + row.written + "</p>"), std::string::npos);
  }

  std::string page = buildEveryBrowserPage({"", "12ab;}", "\"><b>", "snx1.mp3", true, true});
  EXPECT_NE(page.find("background-color: #12ab00; color: #000b0;"), std::string::npos);
  EXPECT_EQ(page.find("<p></p>"), std::string::npos);
  EXPECT_EQ(page.find("<b>"), std::string::npos);
}

TEST(EveryBrowserPage, IsAUtf8StandardsPageWithCrLfLines) {
  std::string page = buildEveryBrowserPage({"T", "FFFFFF", "000000", "snx1.mp3", true, true});
  EXPECT_EQ(page.rfind("<!DOCTYPE html>\r\n", 0), 0u);
  EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos);
  std::size_t bare = 0;
  for (std::size_t i = 0; i < page.size(); ++i)
    if (page[i] == '\n' && (i == 0 || page[i - 1] != '\r')) ++bare;
  EXPECT_EQ(bare, 0u);
  EXPECT_EQ(page.substr(page.size() - 9), "</html>\r\n");
}

// The classic page with the player's script line, and only that, added.
TEST(HtmlPageWriter, PlayerSettingsAddOneScriptLineToTheClassicPage) {
  const struct {
    PageFor pageFor;
    std::string added;
  } rows[] = {
      {PageFor::FlashPlayers, ""},
      {PageFor::FlashAndRuffleOnline, "    <script src=\"https://unpkg.com/@ruffle-rs/ruffle\"></script>\r\n"},
      {PageFor::FlashAndRuffleCopied, "    <script src=\"player/ruffle.js\"></script>\r\n"},
  };
  test::RecordingHost host;
  AppContext ctx(host);
  ctx.settings.outputMode = kOutputModeController;
  ctx.settings.controllerName = "Classic01150040";
  ctx.settings.instruction = "e";
  ctx.job.outputBaseName = "snx3";
  const std::string classic = buildHtmlPage(htmlPageFields(ctx));
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.pageFor));
    ctx.settings.pageFor = row.pageFor;
    std::string expected = classic;
    expected.insert(expected.find("  </head>\r\n"), row.added);
    EXPECT_EQ(buildHtmlPage(htmlPageFields(ctx), playerScriptFor(ctx)), expected);
  }
  // A setting for one job wins over the stored one.
  ctx.inputs.pageForOverride = PageFor::FlashPlayers;
  EXPECT_EQ(playerScriptFor(ctx), "");
}

// Frames with a recognisable body; every third one padded.
std::vector<std::uint8_t> numberedFrames(int count) {
  std::vector<std::uint8_t> stream;
  for (int i = 0; i < count; ++i) stream = test::concat({stream, test::streamFrame(static_cast<std::uint8_t>(i), i % 3 == 0)});
  return stream;
}

TEST(EveryBrowserPage, StageWritesTheStreamsFramesAsAnMp3File) {
  const struct {
    int frames;
    std::size_t cut;  // bytes missing from the last frame
  } rows[] = {{1, 0}, {41, 0}, {100, 0}, {100, 30}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.frames) + " frames, cut " + std::to_string(row.cut));
    WritingStageFixture fx;
    fx.ctx.settings.pageFor = PageFor::EveryBrowser;
    std::vector<std::uint8_t> stream = numberedFrames(row.frames);
    stream.resize(stream.size() - row.cut);
    fx.prepare(stream);
    fx.run();
    ASSERT_FALSE(fx.ctx.job.jobFailed);
    std::vector<std::uint8_t> mp3 = test::readFileBytes(fx.output.file("snx1.mp3"));
    // A cut frame is written whole, its missing bytes zero, as in the animation.
    std::vector<std::uint8_t> expected = stream;
    expected.resize(stream.size() + row.cut, 0);
    EXPECT_EQ(mp3, expected);
    std::optional<test::SwfFile> swf = test::walkSwf(fx.streamBytes());
    ASSERT_TRUE(swf);
    std::vector<std::uint8_t> carried = test::soundStreamData(*swf);
    ASSERT_GE(carried.size(), mp3.size());
    EXPECT_TRUE(std::equal(mp3.begin(), mp3.end(), carried.begin()));
    EXPECT_NE(fx.page().find("data-src=\"snx1.mp3\""), std::string::npos);
  }
}

}  // namespace
}  // namespace sonaflux
