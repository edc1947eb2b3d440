// The action assembler that builds the shipped controllers' buttons, which
// are drawn and played in the browser tests.
#include <gtest/gtest.h>
#include <functional>

#include "tools/swf_assembler/action_assembler.h"

namespace sonaflux::swf {
namespace {

using A = ActionAssembler;
using Bytes = std::vector<std::uint8_t>;

struct BranchRow {
  const char* name;
  std::function<void(A&)> build;
  Bytes code;  // ending in the 0x00 end marker
};
void PrintTo(const BranchRow& row, std::ostream* out) { *out << row.name; }

class ActionBranch : public testing::TestWithParam<BranchRow> {};

// Offsets count from the following action.
TEST_P(ActionBranch, ReachesItsLabel) {
  A actions;
  GetParam().build(actions);
  EXPECT_EQ(actions.finish(), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, ActionBranch,
    testing::Values(BranchRow{"forward", [](A& a) { a.jump("over").play().label("over").stop(); },
                              Bytes{0x99, 0x02, 0x00, 0x01, 0x00, 0x06, 0x07, 0x00}},
                    BranchRow{"backward", [](A& a) { a.label("top").stop().branchIfTrue("top"); },
                              Bytes{0x07, 0x9D, 0x02, 0x00, 0xFA, 0xFF, 0x00}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace sonaflux::swf
