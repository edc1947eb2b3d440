// The SWF writing library read back by the frame walker, which knows nothing of it.
// The shipped controllers it builds are drawn and played in the browser tests.
#include <gtest/gtest.h>
#include <functional>
#include <optional>

#include "swf/movie_file.h"
#include "tests/support/swf_walker.h"
#include "tests/support/temp_folder.h"
#include "tools/swf_assembler/action_assembler.h"

namespace sonaflux::swf {
namespace {

using A = ActionAssembler;

struct TagRow {
  const char* name;
  TagCode code;
  std::size_t size;
  bool forceLong;
};
void PrintTo(const TagRow& row, std::ostream* out) { *out << row.name; }

class SwfTag : public testing::TestWithParam<TagRow> {};

// A header of the wrong form or length leaves the walker lost in the tag or past the end;
// the shipped controllers hold tags of the lengths around the short form's limit.
TEST_P(SwfTag, WalksBackWholeWhateverItsLength) {
  const TagRow& row = GetParam();
  Bytes body(row.size);
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<std::uint8_t>(i);
  const Bytes movie = assembleMovie({}, test::concat({tag(row.code, body, row.forceLong), endTag()}));
  const auto swf = test::walkSwf(movie);
  ASSERT_TRUE(swf);
  ASSERT_EQ(swf->tags.size(), 2u);
  EXPECT_EQ(swf->tags[0].code, static_cast<std::uint16_t>(row.code));
  EXPECT_EQ(swf->tags[0].body, body);
  EXPECT_EQ(swf->fileLength, movie.size());
}

INSTANTIATE_TEST_SUITE_P(Lengths, SwfTag,
                         testing::Values(TagRow{"forced_long", TagCode::SoundStreamBlock, 0, true},
                                         TagRow{"beyond_16_bits", TagCode::DefineSprite, 70000, false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct BranchRow {
  const char* name;
  std::function<void(A&)> build;
  std::optional<Bytes> code;  // ending in the 0x00 end marker; none: refused
};
void PrintTo(const BranchRow& row, std::ostream* out) { *out << row.name; }

class ActionBranch : public testing::TestWithParam<BranchRow> {};

// Offsets count from the following action.
TEST_P(ActionBranch, ReachesItsLabelOrIsRefused) {
  A actions;
  GetParam().build(actions);
  EXPECT_EQ(actions.finish(), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, ActionBranch,
    testing::Values(
        BranchRow{"forward", [](A& a) { a.jump("over").play().label("over").stop(); },
                  Bytes{0x99, 0x02, 0x00, 0x01, 0x00, 0x06, 0x07, 0x00}},
        BranchRow{"backward", [](A& a) { a.label("top").stop().branchIfTrue("top"); },
                  Bytes{0x07, 0x9D, 0x02, 0x00, 0xFA, 0xFF, 0x00}},
        BranchRow{"missing_label", [](A& a) { a.jump("nowhere"); }, std::nullopt},
        BranchRow{"beyond_16_bits",
                  [](A& a) {
                    a.jump("end");
                    for (int i = 0; i < 33000; ++i) a.play();
                    a.label("end");
                  },
                  std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sonaflux::swf
