// The driver's command-line splitter and the command line the layer builds
// from argv.
#include "krv/driver_win32.h"
#include "platform/layer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(const std::string& line, char*** out_argv = nullptr) {
    std::vector<char> text(line.begin(), line.end());
    text.push_back(0);
    int argc = -1;
    char** argv = CommandLineToArgvA(text.data(), &argc);
    std::vector<std::string> args;
    for (int i = 0; i < argc; i++) args.push_back(argv[i]);
    EXPECT_EQ(argv[argc], nullptr) << "the vector ends with a null entry";
    if (out_argv) *out_argv = argv;
    return args;
}

struct SplitCase {
    const char* line;
    std::vector<std::string> args;
};

void PrintTo(const SplitCase& c, std::ostream* os) { *os << "[" << c.line << "]"; }

class CommandLineSplit : public ::testing::TestWithParam<SplitCase> {};

TEST_P(CommandLineSplit, GivesTheArguments) {
    const SplitCase& c = GetParam();
    EXPECT_EQ(Split(c.line), c.args) << "line [" << c.line << "]";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineSplit,
    ::testing::Values(SplitCase{"", {}}, SplitCase{"   \t \r\n ", {}},
                      SplitCase{"prog \"a b\" c", {"prog", "a b", "c"}},
                      SplitCase{"x\"y z\"w", {"xy zw"}},  // quotes open and close inside an argument
                      SplitCase{"\"", {""}},              // one quote: one empty argument
                      SplitCase{"\"\"", {""}}, SplitCase{"a \"\" b", {"a", "", "b"}},
                      SplitCase{"a\\\"b c", {"a\\b c"}},  // no escapes; the quote stays open to the end
                      SplitCase{"a  b", {"a", "b"}},      // repeated white space makes no empty argument
                      SplitCase{"a\tb\nc\rd", {"a", "b", "c", "d"}},
                      SplitCase{"  lead trail  ", {"lead", "trail"}},
                      SplitCase{"a\vb\fc", {"a\vb\fc"}},  // vertical tab and form feed are ordinary bytes
                      SplitCase{"\xC3\xA9t\xC3\xA9 \x80", {"\xC3\xA9t\xC3\xA9", "\x80"}},
                      SplitCase{"\"open to the end", {"open to the end"}},
                      SplitCase{"a\"\"b", {"ab"}}));

// The vector and the text share one block: the pointers, then the text.
TEST(CommandLineBlock, ArgumentsPointIntoTheTextAreaAfterThePointers) {
    std::string line = "one \"two three\" four";
    char** argv = nullptr;
    std::vector<std::string> args = Split(line, &argv);
    ASSERT_EQ(args.size(), 3u);
    size_t len = line.size();
    char* area = (char*)argv + (((len + 2) / 2) + 1) * sizeof(char*);
    EXPECT_EQ(argv[0], area);
    EXPECT_STREQ(argv[1], "two three");
    EXPECT_GE(argv[2], area);
    EXPECT_LT(argv[2] + strlen(argv[2]), area + len + 2);
}

TEST(CommandLineBlock, AnEmptyLineGivesANullFirstEntry) {
    char text[] = "";
    int argc = 5;
    char** argv = CommandLineToArgvA(text, &argc);
    EXPECT_EQ(argc, 0);
    EXPECT_EQ(argv[0], nullptr);
}

// The longest vector a line can make still fits: every other byte a separator.
TEST(CommandLineBlock, AsManyArgumentsAsTheLineCanHold) {
    std::string line;
    for (int i = 0; i < 500; i++) line += "x ";
    EXPECT_EQ(Split(line).size(), 500u);
    std::string quotes;
    for (int i = 0; i < 300; i++) quotes += "\"\" ";
    EXPECT_EQ(Split(quotes).size(), 300u);
}

// The command line GetCommandLineA returns is built from argv with the
// quoting of the Windows C runtime; WinMain receives the part after the
// program's name.
struct BuildCase {
    std::vector<std::string> argv;
    const char* line;
    const char* tail;
};

void PrintTo(const BuildCase& c, std::ostream* os) { *os << c.line; }

class CommandLineBuild : public ::testing::TestWithParam<BuildCase> {};

TEST_P(CommandLineBuild, QuotesWhereNeeded) {
    const BuildCase& c = GetParam();
    std::vector<char*> argv;
    for (const std::string& a : c.argv) argv.push_back(const_cast<char*>(a.c_str()));
    const char* tail = layer_setcommandline((int)argv.size(), argv.data());
    EXPECT_STREQ(GetCommandLineA(), c.line);
    EXPECT_STREQ(tail, c.tail);
}

INSTANTIATE_TEST_SUITE_P(Cases, CommandLineBuild,
                         ::testing::Values(BuildCase{{"prog"}, "prog", ""},
                                           BuildCase{{"./prog", "a", "b c", "d"}, "./prog a \"b c\" d", "a \"b c\" d"},
                                           BuildCase{{"/my dir/prog", ""}, "\"/my dir/prog\" \"\"", "\"\""},
                                           BuildCase{{"p", "say \"hi\""}, "p \"say \\\"hi\\\"\"", "\"say \\\"hi\\\"\""},
                                           BuildCase{{"p", "a\\b", "c d\\"}, "p a\\b \"c d\\\\\"", "a\\b \"c d\\\\\""}));

// What the driver's splitter makes of a built line: arguments with white
// space come back whole.
TEST(CommandLineRoundTrip, WhiteSpaceArgumentsSurvive) {
    const char* argv[] = {"prog", "a b", "c", "tab\there"};
    layer_setcommandline(4, const_cast<char**>(argv));
    int argc = 0;
    char** out = CommandLineToArgvA(GetCommandLineA(), &argc);
    ASSERT_EQ(argc, 4);
    for (int i = 0; i < 4; i++) EXPECT_STREQ(out[i], argv[i]);
}

}  // namespace

namespace {

// Without the layer's main (this test program has its own), the line is read
// from the process's own arguments.
TEST(CommandLineProcess, WithoutTheLayersMainItComesFromTheProcess) {
    std::string line = GetCommandLineA();
    EXPECT_NE(line.find("test_driver_cmdline"), std::string::npos) << line;
}

}  // namespace
