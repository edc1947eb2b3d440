#include "audio/id3_title_reader.h"

#include <gtest/gtest.h>

#include "tests/support/mp3_fixture.h"
#include "tests/support/temp_folder.h"

namespace sonaflux {
namespace {

using namespace test;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kLatin1 = 0, kUtf16Bom = 1, kUtf16Be = 2, kUtf8 = 3;
constexpr std::uint8_t kTagUnsynchronised = 0x80, kTagExtendedHeader = 0x40, kV24DataLength = 0x01;

Bytes latin1(const char* id, const std::string& text, int major = 3) {
  return id3v2Frame(id, kLatin1, bytesOf(text), major);
}

// A frame with its size field and format flags given; the payload is everything after the header.
Bytes rawFrame(const std::string& id, const Bytes& sizeField, std::uint8_t formatFlags, const Bytes& payload) {
  return concat({bytesOf(id), sizeField, {0, formatFlags}, payload});
}

Bytes v3(std::initializer_list<Bytes> frames, std::uint8_t flags = 0) { return id3v2Tag(concat(frames), 3, flags); }
Bytes v4(std::initializer_list<Bytes> frames, std::uint8_t flags = 0) { return id3v2Tag(concat(frames), 4, flags); }

const Bytes kAudio(400, 0x55);  // long enough that an ID3v1 block is looked for
const Bytes tit2 = latin1("TIT2", "Song"), tpe1 = latin1("TPE1", "Band");
const Bytes tpe1v4 = latin1("TPE1", "Band", 4);
const std::string t200(200, 't'), comment(299, 'c'), x32k(32768, 'x');
const Bytes dataLength =
    rawFrame("TIT2", synchsafe32(9), kV24DataLength, concat({synchsafe32(5), {kLatin1}, bytesOf("Song")}));
// Latin-1 "A", y with diaeresis, a with grave; 0xFF 0xE0 written as 0xFF 0x00 0xE0.
const Bytes unsynchronised = id3v2Tag(
    concat({bytesOf("TIT2"), bigEndian32(4), {0, 0, kLatin1, 'A', 0xFF, 0x00, 0xE0}, tpe1}), 3, kTagUnsynchronised);
Bytes empty3(const char* id) { return rawFrame(id, bigEndian32(0), 0, {}); }
Bytes utf16(const char* id, const Bytes& text) { return id3v2Frame(id, kUtf16Bom, concat({text, {0, 0}})); }
Bytes first(const Bytes& bytes, std::size_t count) { return Bytes(bytes.begin(), bytes.begin() + long(count)); }
const Bytes framesAfterTheTag = concat({id3v2Header(std::uint32_t(tit2.size())), tit2, tpe1, kAudio});
const Bytes runningPastTheTag =
    concat({id3v2Header(std::uint32_t(tpe1.size() + 13)), tpe1, id3v2FrameWithSize("TIT2", 30, kLatin1, bytesOf("So")),
            bytesOf("ng and audio bytes"), kAudio});

struct TagRow {
  const char* name;
  Bytes file;
  std::string artist = "";
  std::string title = "";
  bool pastEnd = false;
};

// clang-format off
const TagRow kTagRows[] = {
    {.name = "V23BeforeV1", .file = concat({v3({tpe1, tit2}), kAudio, id3v1Block("Other", "Other")}),
     .artist = "Band", .title = "Song"},
    {.name = "Utf16WithMark", .file = v3({utf16("TIT2", {0xFF, 0xFE, 'S', 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE})}),
     .title = "S\xC3\xA9\xF0\x9F\x98\x80"},
    {.name = "Utf16BigEndian", .file = v4({id3v2Frame("TPE1", kUtf16Be, {0, 'B', 0, 0xDC}, 4)}), .artist = "B\xC3\x9C"},
    {.name = "Utf8", .file = v4({id3v2Frame("TIT2", kUtf8, {'C', 'a', 'f', 0xC3, 0xA9}, 4)}), .title = "Caf\xC3\xA9"},
    {.name = "IllFormedUtf8ReadsAsNothing", .file = v4({id3v2Frame("TIT2", kUtf8, {'a', 0xC3, 'b'}, 4)})},
    {.name = "V23PlainSizes", .file = v3({latin1("COMM", comment), latin1("TIT2", t200), tpe1}),
     .artist = "Band", .title = t200},
    {.name = "V24SynchsafeSizes", .file = v4({latin1("COMM", comment, 4), latin1("TIT2", t200, 4), tpe1v4}),
     .artist = "Band", .title = t200},
    {.name = "V23ExtendedHeader", .file = v3({{0, 0, 0, 6, 0, 0, 0, 0, 0, 0}, tit2}, kTagExtendedHeader),
     .title = "Song"},
    {.name = "V24ExtendedHeaderAndDataLength", .file = v4({{0, 0, 0, 6, 1, 0}, dataLength}, kTagExtendedHeader),
     .title = "Song"},
    {.name = "V23Unsynchronised", .file = unsynchronised, .artist = "Band", .title = "A\xC3\xBF\xC3\xA0"},
    {.name = "V23EmptyFramesSkipped", .file = v3({empty3("TENC"), empty3("TCOP"), tit2, tpe1}),
     .artist = "Band", .title = "Song"},
    {.name = "FrameRunningPastTheTagEndEndsThere", .file = runningPastTheTag, .artist = "Band", .title = "So"},
    {.name = "FramesAfterTheTagEndNotRead", .file = framesAfterTheTag, .title = "Song"},
    {.name = "V24ListGivesItsFirstValue", .file = v4({latin1("TIT2", std::string("Song\0Other", 10), 4)}),
     .title = "Song"},
    {.name = "PictureOf40KiBBeforeTheTitle", .file = v3({id3v2Frame("APIC", 0, Bytes(40 * 1024, 0xFF)), tit2}),
     .title = "Song"},
    {.name = "TextOf32769BytesSkipped", .file = v3({latin1("TIT2", x32k + 'x'), tpe1}), .artist = "Band"},
    {.name = "Id3v1Latin1", .file = concat({kAudio, id3v1Block("Caf\xE9", "")}), .title = "Caf\xC3\xA9"},
    {.name = "TagPastTheEndOfTheFile", .file = concat({id3v2Header(1000), tit2, first(tpe1, 12)}),
     .artist = "B", .title = "Song", .pastEnd = true},
};
// clang-format on

class Id3TitleReader : public testing::TestWithParam<TagRow> {};

TEST_P(Id3TitleReader, ReadsArtistAndTitle) {
  SpanSource source(GetParam().file);
  const TagText tags = readTagText(source);
  EXPECT_EQ(tags.artist, GetParam().artist);
  EXPECT_EQ(tags.title, GetParam().title);
  EXPECT_EQ(tags.id3v2ReadPastEnd, GetParam().pastEnd);
}

INSTANTIATE_TEST_SUITE_P(Tags, Id3TitleReader, testing::ValuesIn(kTagRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sonaflux
