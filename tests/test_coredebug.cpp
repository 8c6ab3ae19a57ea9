// Debug output and the fatal reports.
#include <cstdio>

#include "core/coredebug.h"
#include "tests/support/testsupport.h"

TEST(DebugOutput, PrintsWithoutPrefixOrLineBreak) {
    EXPECT_EQ(kt::Captured([] {
                  _dbg_init();
                  _dbg_printf("numfiles: %d\n", 3);
                  _dbg_printf("no break %s", "here");
                  _dbg_shutdown();
              }),
              "numfiles: 3\nno break here");
}

// The fatal reports print on standard output and end the process with
// status 1; the child writes its stdout to a file the parent then reads (in
// text mode: on Windows the line ends in a carriage return and a line feed).
class FatalReport : public kt::ScratchTest {};

TEST_F(FatalReport, AssertPrintsFileLineExpressionAndExits1) {
    EXPECT_EXIT(
        {
            freopen("out.txt", "w", stdout);
            _dbg_assert("corefile.c", 12, "size > 0");
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EQ(kt::ReadFile("out.txt"), kt::TextModeBytes("corefile.c(12): assertion failed: size > 0\n"));
}

TEST_F(FatalReport, ErrorPrintsMessageAndExits1) {
    EXPECT_EXIT(
        {
            freopen("out.txt", "w", stdout);
            error("out of cheese");
        },
        ::testing::ExitedWithCode(1), "");
    EXPECT_EQ(kt::ReadFile("out.txt"), kt::TextModeBytes("Error: out of cheese\n"));
}
