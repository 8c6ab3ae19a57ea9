// Browsing the mount as a tree: the browsing path and directory listings.
#include <string>
#include <vector>

#include "core/corefile/corefile.h"
#include "core/coremem.h"
#include "tests/support/testsupport.h"

namespace {

class Browse : public kt::ScratchTest {
protected:
    void SetUp() override {
        kt::ScratchTest::SetUp();
        // The directory of the example: a.png, sub/c.png, b.txt, sub/deep/d.png, sub/e.txt.
        kt::PackImage("img.dat", {{"a.png", "A"},
                                  {"sub/c.png", "CCC"},
                                  {"b.txt", "BB"},
                                  {"sub/deep/d.png", "DDDD"},
                                  {"sub/e.txt", "EEEEE"}});
        ASSERT_FALSE(HasFatalFailure());
        kt::Captured([] { ASSERT_EQ(corefile_mountimage("img.dat", 0), 1); });
    }
    void TearDown() override {
        corefile_closeimage();
        kt::ScratchTest::TearDown();
    }

    struct Row {
        std::string display, name;
        int size;
        int isdir;
        bool operator==(const Row& o) const {
            return display == o.display && name == o.name && size == o.size && isdir == o.isdir;
        }
    };
    std::vector<Row> List() {
        std::vector<Row> rows;
        for (int i = 0; i < corefile_numfiles; i++) {
            const s_fileentry& e = corefile_filelist[i];
            rows.push_back({e.display, e.name, e.size, e.isdir});
        }
        return rows;
    }
};

}  // namespace

TEST_F(Browse, RootWithAnExtension) {
    EXPECT_STREQ(corefile_getpath(), "/");
    EXPECT_EQ(kt::Captured([] { corefile_readdir("*.png"); }),
              "extension = .png, length: 4\ndir is root\n- ReadDIR completed!\n");
    std::vector<Row> want = {{"[sub]", "sub", 0, 1}, {"a.png", "a.png", 1, 0}};
    EXPECT_TRUE(List() == want);
}

TEST_F(Browse, RootWithEveryFile) {
    EXPECT_EQ(kt::Captured([] { corefile_readdir("*.*"); }),
              "extension = .*, length: 2\ndir is root\n- ReadDIR completed!\n");
    std::vector<Row> want = {{"[sub]", "sub", 0, 1}, {"a.png", "a.png", 1, 0}, {"b.txt", "b.txt", 2, 0}};
    EXPECT_TRUE(List() == want);
}

TEST_F(Browse, FilterWithoutAnExtensionListsEveryFile) {
    for (const char* filter : {"*", ".png", ""}) {
        EXPECT_EQ(kt::Captured([&] { corefile_readdir(filter); }),
                  "extension = , length: 0\ndir is root\n- ReadDIR completed!\n")
            << filter;
        EXPECT_EQ(corefile_numfiles, 3) << filter;
    }
}

TEST_F(Browse, Subdirectory) {
    EXPECT_EQ(kt::Captured([] { corefile_chdir("sub"); }), "localpath = /sub/\n");
    EXPECT_EQ(kt::Captured([] { corefile_readdir("x.png"); }),
              "extension = .png, length: 4\n- ReadDIR completed!\n");
    std::vector<Row> want = {{"[..]", "..", 0, 1}, {"[deep]", "deep", 0, 1}, {"c.png", "sub/c.png", 3, 0}};
    EXPECT_TRUE(List() == want);
    // A second listing replaces the first.
    kt::Captured([] { corefile_readdir("x.txt"); });
    want = {{"[..]", "..", 0, 1}, {"[deep]", "deep", 0, 1}, {"e.txt", "sub/e.txt", 5, 0}};
    EXPECT_TRUE(List() == want);
}

TEST_F(Browse, ChangingThePath) {
    struct {
        const char* from;
        const char* arg;
        const char* path;
        const char* printed;
    } cases[] = {
        {"/sub/", "..", "/", "localpath = /\n"},
        {"/", "..", "/", "localpath = /\n"},
        {"/a/b/", "..", "/a/", "localpath = /a/\n"},
        {"/sub/", ".", "/sub/", ""},
        {"/", "/sub/deep", "/sub/deep/", "localpath = /sub/deep/\n"},
        {"/sub/", "deep/", "/sub/deep/", "localpath = /sub/deep/\n"},
        {"/", "\\win", "\\win/", "localpath = \\win/\n"},
        {"/x/", "..", "/", "localpath = /\n"},
    };
    for (auto& c : cases) {
        strcpy(corefile_localpath, c.from);
        EXPECT_EQ(kt::Captured([&] { corefile_chdir(c.arg); }), c.printed) << c.from << " + " << c.arg;
        EXPECT_STREQ(corefile_getpath(), c.path) << c.from << " + " << c.arg;
    }
}

TEST_F(Browse, PathsLongerThanTheBrowsingPathAreRefused) {
    std::string part(200, 'p');
    kt::Captured([&] { corefile_chdir(part.c_str()); });
    EXPECT_EQ(std::string(corefile_getpath()), "/" + part + "/");
    std::string more(60, 'q');
    EXPECT_EQ(kt::Captured([&] { corefile_chdir(more.c_str()); }),
              "path too long: /" + part + "/" + more + "\n");
    EXPECT_EQ(std::string(corefile_getpath()), "/" + part + "/");
    std::string abs = "/" + std::string(300, 'r');
    EXPECT_EQ(kt::Captured([&] { corefile_chdir(abs.c_str()); }), "path too long: " + abs + "\n");
    EXPECT_EQ(std::string(corefile_getpath()), "/" + part + "/");
}

TEST_F(Browse, AddDirKeepsNamesUnique) {
    corefile_numdirs = 0;
    corefile_adddir("sub");
    corefile_adddir("sub");
    corefile_adddir("other");
    EXPECT_EQ(corefile_numdirs, 2);
    EXPECT_STREQ(corefile_dirnames[0], "sub");
    EXPECT_STREQ(corefile_dirnames[1], "other");
    for (int i = 0; i < corefile_numdirs; i++) _wrap_free_dbg(corefile_dirnames[i], __FILE__, __LINE__);
    corefile_numdirs = 0;
}

TEST_F(Browse, DirectoryNamesAreLimitedTo256) {
    corefile_numdirs = 0;
    std::string printed = kt::Captured([] {
        char name[16];
        for (int i = 0; i < 257; i++) {
            snprintf(name, sizeof name, "d%d", i);
            corefile_adddir(name);
        }
    });
    EXPECT_EQ(corefile_numdirs, 256);
    EXPECT_EQ(printed, "too many directories, left out: d256\n");
    for (int i = 0; i < corefile_numdirs; i++) _wrap_free_dbg(corefile_dirnames[i], __FILE__, __LINE__);
    corefile_numdirs = 0;
}

// When every file lies in one subdirectory, "[..]" plus every file needs one
// entry more than the mount has files.
class BrowseRoom : public kt::ScratchTest {};

TEST_F(BrowseRoom, ListingNeedsOneEntryMoreThanTheFiles) {
    kt::PackImage("img.dat", {{"s/a", "x"}, {"s/b", "x"}});
    ASSERT_FALSE(HasFatalFailure());
    kt::Captured([] { ASSERT_EQ(corefile_mountimage("img.dat", 0), 1); });
    kt::Captured([] {
        corefile_chdir("s");
        corefile_readdir(".*");
    });
    ASSERT_EQ(corefile_numfiles, 3);
    EXPECT_STREQ(corefile_filelist[0].display, "[..]");
    EXPECT_STREQ(corefile_filelist[1].name, "s/a");
    EXPECT_STREQ(corefile_filelist[2].name, "s/b");
    corefile_closeimage();
}

class BrowseTree : public kt::ScratchTest {};

TEST_F(BrowseTree, TreeMountListsSizesOnDisk) {
    kt::MakeDirs("data/sub");
    kt::WriteFile("data/sub/f.txt", "123456");
    kt::Captured([&] { ASSERT_EQ(corefile_mountimage("data", 2), 1); });
    kt::Captured([] {
        corefile_chdir("sub");
        corefile_readdir(".txt");
    });
    ASSERT_EQ(corefile_numfiles, 2);
    EXPECT_STREQ(corefile_filelist[1].name, "sub/f.txt");
    EXPECT_EQ(corefile_filelist[1].size, 6);
    corefile_closeimage();
}
