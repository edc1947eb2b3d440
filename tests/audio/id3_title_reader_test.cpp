#include "audio/id3_title_reader.h"

#include <gtest/gtest.h>

#include "tests/support/mp3_fixture.h"

namespace sonaflux {
namespace {

using test::append;
using test::bytesOf;
using test::id3v1Block;
using test::id3v2Frame;
using test::id3v2FrameWithSize;
using test::id3v2Tag;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kLatin1 = 0, kUtf16Bom = 1, kUtf16Be = 2, kUtf8 = 3;

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) append(out, p);
  return out;
}

// Audio-like bytes between the tags, long enough that an ID3v1 block is looked for.
const Bytes kAudio(400, 0x55);

TagText readBytes(const Bytes& file) {
  SpanSource source(file);
  return readTagText(source);
}

struct TagRow {
  const char* name;
  Bytes file;
  std::string artist;
  std::string title;
  bool readPastEnd = false;
};

std::vector<TagRow> tagRows() {
  const Bytes tit2 = id3v2Frame("TIT2", kLatin1, bytesOf("Song"));
  const Bytes tpe1 = id3v2Frame("TPE1", kLatin1, bytesOf("Band"));
  const std::string longTitle(200, 't');
  const Bytes comm300 = id3v2Frame("COMM", kLatin1, Bytes(299, 'c'));
  Bytes picture(40 * 1024, 0xFF);

  // A zero first byte of an identifier ends the walk, even inside the tag.
  Bytes zeroId = id3v2Frame("TPE1", kLatin1, bytesOf("Band"));
  zeroId[0] = 0;
  // The tag declares only its first frame; the second lies after its end.
  Bytes shortTag = test::id3v2Header(static_cast<std::uint32_t>(tit2.size()));
  append(shortTag, tit2);
  append(shortTag, tpe1);
  // A tag that declares more than the file holds, cut inside its second frame.
  Bytes cutTag = test::id3v2Header(1000);
  append(cutTag, tit2);
  append(cutTag, Bytes(tpe1.begin(), tpe1.begin() + 12));
  // The same in a file long enough for an ID3v1 block: a frame cut by the end.
  Bytes cutLongTag = test::id3v2Header(100000);
  append(cutLongTag, tit2);
  append(cutLongTag, id3v2FrameWithSize("TXXX", 301, 0, Bytes(150, 'x')));

  return {
      {"TPE1 and TIT2", concat({id3v2Tag(concat({tpe1, tit2})), kAudio, id3v1Block("Other", "Other")}), "Band", "Song"},
      {"TIT2 alone", concat({id3v2Tag(tit2), kAudio}), "", "Song"},
      {"TIT2 with an ID3v1 artist", concat({id3v2Tag(tit2), kAudio, id3v1Block("Other", "Band")}), "Band", "Song"},
      {"ID3v1 alone", concat({kAudio, id3v1Block("Song", "Band")}), "Band", "Song"},
      {"later frame replaces earlier", concat({id3v2Tag(concat({tit2, id3v2Frame("TIT2", kLatin1, bytesOf("Last"))}))}),
       "", "Last"},
      {"UTF-16 little-endian with mark",
       id3v2Tag(id3v2Frame("TIT2", kUtf16Bom, {0xFF, 0xFE, 'S', 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE, 0, 0})),
       "", "S\xC3\xA9\xF0\x9F\x98\x80"},
      {"UTF-16 big-endian with mark", id3v2Tag(id3v2Frame("TIT2", kUtf16Bom, {0xFE, 0xFF, 0, 'S', 0x20, 0xAC, 0, 0})),
       "", "S\xE2\x82\xAC"},
      {"UTF-16 big-endian without mark", id3v2Tag(id3v2Frame("TPE1", kUtf16Be, {0, 'B', 0, 0xDC, 0, 0, 0, 'x'})),
       "B\xC3\x9C", ""},
      {"UTF-8", id3v2Tag(id3v2Frame("TIT2", kUtf8, {'C', 'a', 'f', 0xC3, 0xA9})), "", "Caf\xC3\xA9"},
      {"Latin-1 up to its terminator", id3v2Tag(id3v2Frame("TIT2", kLatin1, {'C', 'a', 'f', 0xE9, 0, 'x', 'y'})), "",
       "Caf\xC3\xA9"},
      {"v2.3 frames of 128 bytes and more",
       id3v2Tag(concat({comm300, id3v2Frame("TIT2", kLatin1, bytesOf(longTitle)), tpe1})), "Band", longTitle},
      {"v2.4 synchsafe frame sizes",
       id3v2Tag(concat({id3v2Frame("COMM", kLatin1, Bytes(299, 'c'), 4), id3v2Frame("TIT2", kLatin1, bytesOf(longTitle), 4),
                        id3v2Frame("TPE1", kLatin1, bytesOf("Band"), 4)}),
                4),
       "Band", longTitle},
      {"v2.3 extended header", id3v2Tag(concat({{0, 0, 0, 6, 0, 0, 0, 0, 0, 0}, tit2}), 3, 0x40), "", "Song"},
      {"v2.4 extended header", id3v2Tag(concat({{0, 0, 0, 6, 1, 0}, id3v2Frame("TIT2", kLatin1, bytesOf("Song"), 4)}), 4, 0x40),
       "", "Song"},
      {"extended-header flag without the header", id3v2Tag(id3v2Frame("TIT2", kLatin1, bytesOf("Song"), 4), 4, 0x40), "", "Song"},
      {"40 KiB picture before the title", id3v2Tag(concat({id3v2Frame("APIC", kLatin1, picture), tit2, tpe1})), "Band", "Song"},
      {"40 KiB picture in v2.4", id3v2Tag(concat({id3v2Frame("APIC", kLatin1, picture, 4), id3v2Frame("TIT2", kLatin1, bytesOf("Song"), 4)}), 4),
       "", "Song"},
      {"text of 32 768 bytes is read", id3v2Tag(id3v2Frame("TIT2", kLatin1, Bytes(32768, 'x'))), "", std::string(32768, 'x')},
      {"text of 32 769 bytes is skipped", id3v2Tag(concat({id3v2Frame("TIT2", kLatin1, Bytes(32769, 'x')), tpe1})), "Band", ""},
      {"F = 0: next header right after the encoding byte", id3v2Tag(concat({id3v2FrameWithSize("TXXX", 0, 0, {}), tit2})), "", "Song"},
      {"F = 1: no text, next frame", id3v2Tag(concat({id3v2FrameWithSize("TIT2", 1, 0, {}), tpe1})), "Band", ""},
      {"zero identifier ends the walk", id3v2Tag(concat({tit2, zeroId, tpe1})), "", "Song"},
      {"frames after the tag end are not read", concat({shortTag, kAudio}), "", "Song"},
      {"ID3v2.2 three-letter frames are not titles", id3v2Tag(Bytes{'T', 'T', '2', 0, 0, 5, 0, 'S', 'o', 'n', 'g'}), "", ""},
      {"ID3v1 padded with zeros", concat({kAudio, id3v1Block("Song", "", 0)}), "", "Song"},
      {"ID3v1 padded with spaces", concat({kAudio, id3v1Block("Song", "", ' ')}), std::string(30, ' '),
       "Song" + std::string(26, ' ')},
      {"ID3v1 Latin-1", concat({kAudio, id3v1Block("Caf\xE9", "")}), "", "Caf\xC3\xA9"},
      {"ten bytes starting with ID3", bytesOf("ID3\x03\x00\x00\x00\x00\x00\x10"), "", ""},
      {"tag running past the end of a short file", cutTag, "", "Song", true},
      {"tag running past the end, ID3v1 looked for", cutLongTag, "", "Song", false},
  };
}

TEST(Id3TitleReader, ReadsArtistAndTitleFromTheTags) {
  for (const TagRow& row : tagRows()) {
    SCOPED_TRACE(row.name);
    TagText tags = readBytes(row.file);
    EXPECT_EQ(tags.artist, row.artist);
    EXPECT_EQ(tags.title, row.title);
    EXPECT_EQ(tags.id3v2ReadPastEnd && !tags.id3v1Looked, row.readPastEnd);
  }
}

TEST(Id3TitleReader, ATagCutShortIsReportedEvenWhenID3v1Follows) {
  Bytes cut = test::id3v2Header(1000);
  append(cut, id3v2Frame("TIT2", kLatin1, bytesOf("Song")));
  append(cut, id3v2FrameWithSize("TXXX", 301, 0, Bytes(150, 'x')));
  TagText tags = readBytes(cut);
  EXPECT_TRUE(tags.id3v2ReadPastEnd);
  EXPECT_TRUE(tags.id3v1Looked);
}

TEST(Id3TitleReader, MakesTheTitleFromWhatWasFound) {
  struct Row {
    std::string artist, title, expected;
  } rows[] = {{"Band", "Song", "Band - Song"}, {"Band", "", "Band"}, {"", "Song", "Song"}, {"", "", "file"}};
  for (const Row& row : rows) {
    TagText tags;
    tags.artist = row.artist;
    tags.title = row.title;
    EXPECT_EQ(makeInputTitle(tags, "file"), row.expected);
  }
}

TEST(Id3TitleReader, ReplacesIllFormedText) {
  EXPECT_EQ(decodeId3Text(kUtf8, Bytes{'a', 0xC3, 'b', 0xED, 0xA0, 0x80, 0xF8}),
            "a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
  // A lone surrogate and an odd trailing byte.
  EXPECT_EQ(decodeId3Text(kUtf16Be, Bytes{0xD8, 0x3D, 0, 'x', 0}), "\xEF\xBF\xBDx");
  // Unknown encodings read as Latin-1.
  EXPECT_EQ(decodeId3Text(7, Bytes{'A', 0xC4}), "A\xC3\x84");
}

TEST(Id3TitleReader, EveryPrefixOfATaggedFileReadsCleanly) {
  const Bytes file = concat({id3v2Tag(concat({id3v2Frame("TPE1", kUtf16Bom, {0xFF, 0xFE, 'B', 0}),
                                              id3v2Frame("TIT2", kLatin1, bytesOf("Song"))}),
                                      3, 0, 20),
                             Bytes(100, 0x55), id3v1Block("Song", "Band")});
  for (std::size_t size = 0; size <= file.size(); ++size) {
    TagText tags = readBytes(Bytes(file.begin(), file.begin() + static_cast<long>(size)));
    ASSERT_TRUE(tags.title.empty() || tags.title == "Song") << size;
    ASSERT_TRUE(tags.artist.empty() || tags.artist == "B" || tags.artist == "Band") << size;
  }
  EXPECT_EQ(readBytes(file).artist, "B");
}

}  // namespace
}  // namespace sonaflux
