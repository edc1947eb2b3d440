#include "tools/swf_assembler/movie_tags.h"

#include <gtest/gtest.h>

#include "tests/support/swf_walker.h"

namespace sonaflux::swf {
namespace {

TEST(MovieTags, PlacesObjectsWithOnlyTheFieldsGiven) {
  PlaceObject named;
  named.depth = 2;
  named.characterId = 3;
  named.matrix = Matrix{};
  named.name = "ab";
  // Flags: name 0x20, matrix 0x04, character 0x02; 9-byte body.
  EXPECT_EQ(placeObject2Tag(named), (Bytes{0x89, 0x06, 0x26, 0x02, 0x00, 0x03, 0x00, 0x00, 'a', 'b', 0x00}));

  PlaceObject moved;
  moved.depth = 5;
  moved.move = true;
  moved.matrix = Matrix::translation(0, 0);
  EXPECT_EQ(placeObject2Tag(moved), (Bytes{0x84, 0x06, 0x05, 0x05, 0x00, 0x00}));
}

TEST(MovieTags, WritesAButtonWithStatesAndReleaseActions) {
  const std::vector<ButtonRecord> records = {{kButtonUp | kButtonHit, 1, 1, Matrix{}}};
  const Bytes tag = defineButton2Tag(4, records, {{kConditionOverDownToOverUp, {0x06, 0x00}}});
  const Bytes expected{
      0x93, 0x08,                                // DefineButton2 (34), 19 bytes
      0x04, 0x00,                                // button id
      0x00,                                      // push button, not a menu
      0x0A, 0x00,                                // ActionOffset: 2 + record 7 + end 1
      0x09, 0x01, 0x00, 0x01, 0x00, 0x00, 0x04,  // up and hit, character 1, depth 1, matrix, colour transform
      0x00,                                      // end of records
      0x00, 0x00,                                // last condition
      0x08, 0x00,                                // released over the button
      0x06, 0x00,                                // play, end
  };
  EXPECT_EQ(tag, expected);
}

TEST(MovieTags, ChainsButtonConditionsBySize) {
  const std::vector<ButtonRecord> records = {{kButtonHit, 1, 1, Matrix{}}};
  const Bytes tag = defineButton2Tag(1, records, {{0x0001, {0x06, 0x07, 0x00}}, {0x0008, {0x00}}});
  // Body from offset 2: id, flags, offset, record (7), end, then the conditions.
  const std::size_t firstCondition = 2 + 2 + 1 + 2 + 7 + 1;
  ASSERT_GT(tag.size(), firstCondition + 4);
  EXPECT_EQ(tag[firstCondition], 4 + 3);  // size field, conditions, three action bytes
  EXPECT_EQ(tag[firstCondition + 1], 0);
  EXPECT_EQ(tag[firstCondition + 7], 0);  // the second condition is the last
  EXPECT_EQ(tag[firstCondition + 8], 0);
}

TEST(MovieTags, WrapsATimelineInASprite) {
  const Bytes timeline = showFrameTag();
  EXPECT_EQ(defineSpriteTag(5, 1, timeline), (Bytes{0xC8, 0x09, 0x05, 0x00, 0x01, 0x00, 0x40, 0x00, 0x00, 0x00}));
}

TEST(MovieTags, AssemblesAMovieThatAnIndependentWalkerReads) {
  Bytes tags = setBackgroundColorTag({1, 2, 3});
  const Bytes longAction(100, 0x06);
  const Bytes action = doActionTag(longAction);
  tags.insert(tags.end(), action.begin(), action.end());
  for (const Bytes& t : {showFrameTag(), endTag()}) tags.insert(tags.end(), t.begin(), t.end());

  MovieHeader header;
  header.version = 6;
  header.frameSize = {0, 3000, 0, 800};
  header.frameRate = 0x0100;
  header.frameCount = 1;
  const Bytes movie = assembleMovie(header, tags);

  // One frame a second is stored as 0x00 0x01 right after the rectangle.
  EXPECT_EQ(movie[8 + 8], 0x00);
  EXPECT_EQ(movie[8 + 9], 0x01);

  std::string error;
  const auto swf = sonaflux::test::walkSwf(movie, &error);
  ASSERT_TRUE(swf.has_value()) << error;
  EXPECT_EQ(swf->signature, "FWS");
  EXPECT_EQ(swf->version, 6);
  EXPECT_EQ(swf->fileLength, movie.size());
  EXPECT_EQ(swf->xMax, 3000);
  EXPECT_EQ(swf->yMax, 800);
  EXPECT_EQ(swf->frameRate, 0x0100);
  EXPECT_EQ(swf->frameCount, 1);
  ASSERT_EQ(swf->tags.size(), 4u);
  EXPECT_EQ(swf->tags[1].code, 12);
  EXPECT_TRUE(swf->tags[1].longHeader);
  EXPECT_EQ(swf->tags[1].body, longAction);
}

}  // namespace
}  // namespace sonaflux::swf
