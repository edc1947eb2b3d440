#include "tools/swf_assembler/action_assembler.h"

#include <functional>

#include <gtest/gtest.h>

namespace sonaflux::swf {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes assemble(const std::function<void(ActionAssembler&)>& build) {
  ActionAssembler a;
  build(a);
  const auto code = a.finish();
  EXPECT_TRUE(code.has_value());
  return code.value_or(Bytes{});
}

TEST(ActionAssembler, EncodesPushValuesByType) {
  const struct {
    const char* name;
    PushValue value;
    Bytes expected;
  } rows[] = {
      {"string", std::string("ab"), {0x96, 0x04, 0x00, 0x00, 'a', 'b', 0x00, 0x00}},
      {"empty string", std::string(""), {0x96, 0x02, 0x00, 0x00, 0x00, 0x00}},
      {"integer", 5.0, {0x96, 0x05, 0x00, 0x07, 0x05, 0x00, 0x00, 0x00, 0x00}},
      {"negative integer", -1.0, {0x96, 0x05, 0x00, 0x07, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}},
      // 0.5 is 0x3FE0000000000000: the high word comes first, each word low byte first.
      {"fraction", 0.5, {0x96, 0x09, 0x00, 0x06, 0x00, 0x00, 0xE0, 0x3F, 0x00, 0x00, 0x00, 0x00, 0x00}},
      {"register", Register{2}, {0x96, 0x02, 0x00, 0x04, 0x02, 0x00}},
      {"boolean", true, {0x96, 0x02, 0x00, 0x05, 0x01, 0x00}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(assemble([&](ActionAssembler& a) { a.push(row.value); }), row.expected);
  }
}

TEST(ActionAssembler, PutsSeveralValuesInOnePushRecord) {
  EXPECT_EQ(assemble([](ActionAssembler& a) { a.push({std::string("x"), 1.0}); }),
            (Bytes{0x96, 0x08, 0x00, 0x00, 'x', 0x00, 0x07, 0x01, 0x00, 0x00, 0x00, 0x00}));
}

TEST(ActionAssembler, EncodesActionsWithData) {
  EXPECT_EQ(assemble([](ActionAssembler& a) { a.setTarget("_level1"); }),
            (Bytes{0x8B, 0x08, 0x00, '_', 'l', 'e', 'v', 'e', 'l', '1', 0x00, 0x00}));
  EXPECT_EQ(assemble([](ActionAssembler& a) { a.gotoFrame(3); }), (Bytes{0x81, 0x02, 0x00, 0x03, 0x00, 0x00}));
  EXPECT_EQ(assemble([](ActionAssembler& a) { a.gotoFrame2(true); }), (Bytes{0x9F, 0x01, 0x00, 0x01, 0x00}));
  EXPECT_EQ(assemble([](ActionAssembler& a) { a.gotoFrame2(false); }), (Bytes{0x9F, 0x01, 0x00, 0x00, 0x00}));
  EXPECT_EQ(assemble([](ActionAssembler& a) { a.getUrl2(); }), (Bytes{0x9A, 0x01, 0x00, 0x00, 0x00}));
  EXPECT_EQ(assemble([](ActionAssembler& a) { a.storeRegister(1); }), (Bytes{0x87, 0x01, 0x00, 0x01, 0x00}));
}

TEST(ActionAssembler, ResolvesBranchOffsetsFromTheFollowingAction) {
  // Forward: the jump skips the one-byte Play.
  EXPECT_EQ(assemble([](ActionAssembler& a) { a.jump("over").play().label("over").stop(); }),
            (Bytes{0x99, 0x02, 0x00, 0x01, 0x00, 0x06, 0x07, 0x00}));
  // Backward: from offset 6 (after the If) back to 0 is -6.
  EXPECT_EQ(assemble([](ActionAssembler& a) { a.label("top").stop().branchIfTrue("top"); }),
            (Bytes{0x07, 0x9D, 0x02, 0x00, 0xFA, 0xFF, 0x00}));
  // A label at the very end lands on the end marker.
  EXPECT_EQ(assemble([](ActionAssembler& a) { a.branchIfTrue("end").play().label("end"); }),
            (Bytes{0x9D, 0x02, 0x00, 0x01, 0x00, 0x06, 0x00}));
}

TEST(ActionAssembler, RefusesMissingOrDuplicateLabels) {
  ActionAssembler missing;
  missing.jump("nowhere");
  EXPECT_FALSE(missing.finish().has_value());

  ActionAssembler twice;
  twice.label("a").play().label("a");
  EXPECT_FALSE(twice.finish().has_value());
}

TEST(ActionAssembler, RefusesBranchesBeyondSixteenBits) {
  ActionAssembler far;
  far.jump("end");
  for (int i = 0; i < 33000; ++i) far.play();
  far.label("end");
  EXPECT_FALSE(far.finish().has_value());
}

}  // namespace
}  // namespace sonaflux::swf
