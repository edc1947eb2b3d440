#include "audio/id3_title_reader.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/support/mp3_fixture.h"
#include "tests/support/temp_folder.h"

namespace sonaflux {
namespace {

using namespace test;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kLatin1 = 0, kUtf16Bom = 1, kUtf16Be = 2, kUtf8 = 3;
constexpr std::uint8_t kTagUnsynchronised = 0x80, kTagExtendedHeader = 0x40, kV23Compressed = 0x80;
constexpr std::uint8_t kV24Unsynchronised = 0x02, kV24DataLength = 0x01;

Bytes latin1(const char* id, const std::string& text, int major = 3) {
  return id3v2Frame(id, kLatin1, bytesOf(text), major);
}

// A frame with its size field and format flags given; the payload is everything after the header.
Bytes rawFrame(const std::string& id, const Bytes& sizeField, std::uint8_t formatFlags, const Bytes& payload) {
  return concat({bytesOf(id), sizeField, {0, formatFlags}, payload});
}

// A zero byte after every 0xFF that precedes a byte of 0xE0 or more, or a zero.
Bytes unsynchronise(const Bytes& bytes) {
  Bytes out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out.push_back(bytes[i]);
    if (bytes[i] == 0xFF && (i + 1 == bytes.size() || bytes[i + 1] >= 0xE0 || bytes[i + 1] == 0)) out.push_back(0);
  }
  return out;
}

// A zlib stream holding the bytes in one stored block.
Bytes zlibStored(const Bytes& data) {
  const auto n = static_cast<std::uint16_t>(data.size());
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : data) b = (b + (a = (a + byte) % 65521)) % 65521;
  return concat({{0x78, 0x01, 0x01, std::uint8_t(n), std::uint8_t(n >> 8), std::uint8_t(~n), std::uint8_t(~n >> 8)},
                 data,
                 bigEndian32(b << 16 | a)});
}

Bytes v3(std::initializer_list<Bytes> frames, std::uint8_t flags = 0) { return id3v2Tag(concat(frames), 3, flags); }
Bytes v4(std::initializer_list<Bytes> frames, std::uint8_t flags = 0) { return id3v2Tag(concat(frames), 4, flags); }

TagText readBytes(const Bytes& file) {
  SpanSource source(file);
  return readTagText(source);
}

TEST(Id3TitleReader, ReadsArtistAndTitleFromTheTags) {
  const Bytes audio(400, 0x55);  // long enough that an ID3v1 block is looked for
  const Bytes tit2 = latin1("TIT2", "Song"), tpe1 = latin1("TPE1", "Band");
  const Bytes tit2v4 = latin1("TIT2", "Song", 4), tpe1v4 = latin1("TPE1", "Band", 4);
  const std::string t200(200, 't'), comment(299, 'c'), x32k(32768, 'x');
  const Bytes song = concat({{kLatin1}, bytesOf("Song")}), band = concat({{kLatin1}, bytesOf("Band")});
  const Bytes picture(40 * 1024, 0xFF);
  Bytes zeroId = tpe1;
  zeroId[0] = 0;
  // Unsynchronised text: Latin-1 "A", y with diaeresis, a with grave.
  const Bytes unsyncText = {kLatin1, 'A', 0xFF, 0xE0}, v24Unsync = unsynchronise(unsyncText);
  const std::string unsyncTitle = "A\xC3\xBF\xC3\xA0";
  const Bytes dataLength = rawFrame("TIT2", synchsafe32(9), kV24DataLength, concat({synchsafe32(5), song}));
  Bytes broken = zlibStored(song);
  broken[3] ^= 0x55;  // a stored length that disagrees with its complement
  const auto compressedFrame = [](const Bytes& zlib) {
    const Bytes payload = concat({bigEndian32(5), zlib});  // the inflated size, then the stream
    return rawFrame("TIT2", bigEndian32(std::uint32_t(payload.size())), kV23Compressed, payload);
  };
  const auto u16 = [](const char* id, const Bytes& text, int major = 3) {
    return id3v2Frame(id, kUtf16Bom, text, major);
  };
  const auto empty3 = [](const char* id) { return rawFrame(id, bigEndian32(0), 0, {}); };
  const auto empty4 = [](const char* id) { return rawFrame(id, synchsafe32(0), 0, {}); };
  const struct {
    const char* name;
    Bytes file;
    std::string artist, title;
    bool pastEnd = false;
  } rows[] = {
      {"TPE1 and TIT2", concat({v3({tpe1, tit2}), audio, id3v1Block("Other", "Other")}), "Band", "Song"},
      {"UTF-16 LE with mark", v3({u16("TIT2", {0xFF, 0xFE, 'S', 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE, 0, 0})}), "",
       "S\xC3\xA9\xF0\x9F\x98\x80"},
      {"UTF-16 BE with mark", v3({u16("TIT2", {0xFE, 0xFF, 0, 'S', 0x20, 0xAC, 0, 0})}), "", "S\xE2\x82\xAC"},
      {"UTF-16 BE no mark", v4({id3v2Frame("TPE1", kUtf16Be, {0, 'B', 0, 0xDC, 0, 0, 0, 'x'}, 4)}), "B\xC3\x9C", ""},
      {"UTF-8", v4({id3v2Frame("TIT2", kUtf8, {'C', 'a', 'f', 0xC3, 0xA9}, 4)}), "", "Caf\xC3\xA9"},
      {"ill-formed UTF-8 reads as nothing", v4({id3v2Frame("TIT2", kUtf8, {'a', 0xC3, 'b'}, 4)}), "", ""},
      {"a lone UTF-16 surrogate reads as nothing", v3({u16("TIT2", {0xFF, 0xFE, 0x3D, 0xD8, 'x', 0})}), "", ""},
      {"Latin-1 to its end", v3({id3v2Frame("TIT2", kLatin1, {'C', 'a', 'f', 0xE9, 0, 'x', 'y'})}), "", "Caf\xC3\xA9"},
      {"v2.3 frames of 128+", v3({latin1("COMM", comment), latin1("TIT2", t200), tpe1}), "Band", t200},
      {"v2.4 synchsafe sizes", v4({latin1("COMM", comment, 4), latin1("TIT2", t200, 4), tpe1v4}), "Band", t200},
      // v2.4 frame sizes written plain: 201 has a high bit set, 300 reads as a smaller synchsafe one.
      {"v2.4 high-bit size", v4({rawFrame("TIT2", bigEndian32(201), 0, concat({{kLatin1}, bytesOf(t200)})), tpe1v4}),
       "Band", t200},
      {"v2.4 size 300", v4({rawFrame("COMM", bigEndian32(300), 0, Bytes(300, 'c')), tit2v4, tpe1v4}), "Band", "Song"},
      {"v2.3 extended header", v3({{0, 0, 0, 6, 0, 0, 0, 0, 0, 0}, tit2}, kTagExtendedHeader), "", "Song"},
      {"v2.4 data length", v4({dataLength, tpe1v4}), "Band", "Song"},
      {"v2.4 data length after ext. header", v4({{0, 0, 0, 6, 1, 0}, dataLength}, kTagExtendedHeader), "", "Song"},
      {"v2.3 tag-wide unsynchronisation",
       id3v2Tag(unsynchronise(concat({rawFrame("TIT2", bigEndian32(4), 0, unsyncText), tpe1})), 3, kTagUnsynchronised),
       "Band", unsyncTitle},
      {"v2.4 frame unsynchronisation",
       v4({rawFrame("TIT2", synchsafe32(std::uint32_t(v24Unsync.size())), kV24Unsynchronised, v24Unsync), tpe1v4}),
       "Band", unsyncTitle},
      {"v2.3 compressed frame", v3({compressedFrame(zlibStored(song)), tpe1}), "Band", "Song"},
      {"v2.3 compressed frame that fails to inflate is skipped", v3({compressedFrame(broken), tpe1}), "Band", ""},
      // Frames of size 0 among the first are skipped.
      {"size 0 frames", v3({empty3("TENC"), id3v2Frame("WXXX", 0, {0}), empty3("TCOP"), tit2, tpe1}), "Band", "Song"},
      {"v2.4 size 0 frames", v4({empty4("TENC"), tit2v4, empty4("TCOP"), tpe1v4}), "Band", "Song"},
      {"v2.2 names padded with a zero in a v2.3 tag",
       v3({rawFrame(std::string("TT2\0", 4), bigEndian32(5), 0, song),
           rawFrame(std::string("TP1\0", 4), bigEndian32(5), 0, band)}),
       "Band", "Song"},
      {"a frame running past the tag end ends there",
       concat({id3v2Header(std::uint32_t(tpe1.size() + 13)), tpe1,
               id3v2FrameWithSize("TIT2", 30, kLatin1, bytesOf("So")), bytesOf("ng and audio bytes"), audio}),
       "Band", "So"},
      {"v2.4 list of values: the first", v4({latin1("TIT2", std::string("Song\0Other", 10), 4)}), "", "Song"},
      {"v2.4 UTF-16 list: the first", v4({u16("TPE1", {0xFF, 0xFE, 'B', 0, 0, 0, 0xFF, 0xFE, 'C', 0}, 4)}), "B", ""},
      {"40 KiB picture before the title", v3({id3v2Frame("APIC", kLatin1, picture), tit2, tpe1}), "Band", "Song"},
      {"40 KiB picture in v2.4", v4({id3v2Frame("APIC", kLatin1, picture, 4), tit2v4}), "", "Song"},
      {"text of 32 768 bytes is read", v3({latin1("TIT2", x32k)}), "", x32k},
      {"text of 32 769 bytes is skipped", v3({latin1("TIT2", x32k + 'x'), tpe1}), "Band", ""},
      {"F = 1: no text, next frame", v3({id3v2FrameWithSize("TIT2", 1, 0, {}), tpe1}), "Band", ""},
      {"zero identifier ends the walk", v3({tit2, zeroId, tpe1}), "", "Song"},
      {"frames after the tag end", concat({id3v2Header(std::uint32_t(tit2.size())), tit2, tpe1, audio}), "", "Song"},
      {"ID3v1 padded with zeros", concat({audio, id3v1Block("Song", "", 0)}), "", "Song"},
      {"ID3v1 padded with spaces", concat({audio, id3v1Block("Song", "", ' ')}), std::string(30, ' '),
       "Song" + std::string(26, ' ')},
      {"ID3v1 Latin-1", concat({audio, id3v1Block("Caf\xE9", "")}), "", "Caf\xC3\xA9"},
      {"ten bytes starting with ID3", bytesOf("ID3\x03\x00\x00\x00\x00\x00\x10"), "", ""},
      {"tag past the end of a short file: the cut frame ends there",
       concat({id3v2Header(1000), tit2, Bytes(tpe1.begin(), tpe1.begin() + 12)}), "B", "Song", true},
      {"tag running past the end of a longer file",
       concat({id3v2Header(100000), tit2, id3v2FrameWithSize("TXXX", 301, 0, Bytes(150, 'x'))}), "", "Song", true},
  };
  for (const auto& r : rows) {
    const TagText t = readBytes(r.file);
    EXPECT_EQ(std::tie(t.artist, t.title, t.id3v2ReadPastEnd), std::tie(r.artist, r.title, r.pastEnd)) << r.name;
  }
}

TEST(Id3TitleReader, EveryPrefixOfATaggedFileReadsCleanly) {
  const Bytes tags = concat({id3v2Frame("TPE1", kUtf16Bom, {0xFF, 0xFE, 'B', 0}), latin1("TIT2", "Song")});
  const Bytes file = concat({id3v2Tag(tags, 3, 0, 20), Bytes(100, 0x55), id3v1Block("Song", "Band")});
  for (std::size_t size = 0; size <= file.size(); ++size) {
    TagText tags = readBytes(Bytes(file.begin(), file.begin() + static_cast<long>(size)));
    // A frame cut by the end of the file ends there.
    ASSERT_TRUE(std::string("Song").starts_with(tags.title) && std::string("Band").starts_with(tags.artist)) << size;
  }
  EXPECT_EQ(readBytes(file).artist, "B");
}

}  // namespace
}  // namespace sonaflux
