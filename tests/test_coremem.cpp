// Counted memory and the copy and fill routines.
#include <cstring>
#include <vector>

#include "core/coremem.h"
#include "tests/support/testsupport.h"

TEST(CountedMemory, StartsAtZero) {
    EXPECT_EQ(kt::Captured([] { wrap_showusage(); }), "memory usage: 0 (peak: 0)\n");
}

TEST(CountedMemory, FreeRestoresInUseAndKeepsPeak) {
    unsigned before = g_mem_in_use;
    void* a = _wrap_malloc_dbg(1000, "a.c", 1);
    ASSERT_NE(a, nullptr);
    unsigned held = g_mem_in_use - before;
    EXPECT_GE(held, 1000u);  // counted by usable size, at least what was asked
    EXPECT_EQ(g_mem_in_use_peak, g_mem_in_use);
    void* b = _wrap_malloc_iwram_dbg(50, "a.c", 2);
    unsigned peak = g_mem_in_use;
    _wrap_free_dbg(a, "a.c", 3);
    _wrap_free_iwram_dbg(b, "a.c", 4);
    EXPECT_EQ(g_mem_in_use, before);
    EXPECT_EQ(g_mem_in_use_peak, peak);
    std::string text = kt::Captured([] { wrap_showusage(); });
    EXPECT_EQ(text, "memory usage: 0 (peak: " + std::to_string(peak) + ")\n");
}

TEST(CountedMemory, FreeingNullPrintsAndCountsNothing) {
    void* a = _wrap_malloc_dbg(10, "x.c", 1);
    unsigned in_use = g_mem_in_use, peak = g_mem_in_use_peak;
    EXPECT_EQ(kt::Captured([] { _wrap_free_dbg(nullptr, "corefile.c", 42); }),
              "corefile.c(42): wrap_free() tried to free a NULL pointer!\n");
    EXPECT_EQ(kt::Captured([] { _wrap_free_iwram_dbg(nullptr, "f.c", 7); }),
              "f.c(7): wrap_free() tried to free a NULL pointer!\n");
    EXPECT_EQ(g_mem_in_use, in_use);
    EXPECT_EQ(g_mem_in_use_peak, peak);
    _wrap_free_dbg(a, "x.c", 2);
}

TEST(CountedMemory, FailedAllocationPrintsAndCountsNothing) {
    unsigned in_use = g_mem_in_use, peak = g_mem_in_use_peak;
    void* p = nullptr;
    std::string text = kt::Captured([&] { p = _wrap_malloc_dbg((size_t)-1 / 2, "big.c", 9); });
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(text.rfind("big.c(9): wrap_malloc(", 0), 0u) << text;
    EXPECT_NE(text.find(") failed!\n"), std::string::npos) << text;
    EXPECT_EQ(g_mem_in_use, in_use);
    EXPECT_EQ(g_mem_in_use_peak, peak);
}

TEST(CountedMemory, UncountedWrappersLeaveTheCounters) {
    unsigned in_use = g_mem_in_use;
    void* a = _wrap_malloc(100);
    void* b = _wrap_malloc_iwram(100);
    EXPECT_EQ(g_mem_in_use, in_use);
    _wrap_free(a);
    _wrap_free_iwram(b);
    EXPECT_EQ(g_mem_in_use, in_use);
}

// Copies and fills over a guarded buffer: exactly the asked bytes change.
struct CopyCase {
    const char* what;
    int n;          // count passed
    int unit;       // bytes per unit
    void (*copy)(void*, const void*, int);
};

TEST(CopyAndFill, CopiesExactlyTheirUnits) {
    const CopyCase cases[] = {
        {"memcpy 7 bytes", 7, 1, wrap_memcpy},
        {"memcpy 0 bytes", 0, 1, wrap_memcpy},
        {"memcpy 4 bytes", 4, 1, wrap_memcpy},
        {"memcpy 3 bytes", 3, 1, wrap_memcpy},
        {"memcpy16 x3", 3, 2, wrap_memcpy16},
        {"memcpy32 x3", 3, 4, wrap_memcpy32},
    };
    for (const CopyCase& c : cases) {
        std::vector<unsigned char> src(32), dst(32, 0xEE);
        for (int i = 0; i < 32; i++) src[i] = (unsigned char)(i + 1);
        c.copy(dst.data() + 1, src.data() + 1, c.n);  // unaligned on purpose
        int bytes = c.n * c.unit;
        for (int i = 0; i < 32; i++) {
            unsigned char want = (i >= 1 && i < 1 + bytes) ? src[i] : 0xEE;
            EXPECT_EQ(dst[i], want) << c.what << " at byte " << i;
        }
    }
}

TEST(CopyAndFill, FillsExactlyTheirBytes) {
    struct { int value, n; unsigned char want; } cases[] = {
        {0xAB, 5, 0xAB}, {0xAB, 0, 0xAB}, {0x01, 9, 0x01}, {0x1FF, 3, 0xFF} /* low byte only */,
    };
    for (auto& c : cases) {
        std::vector<unsigned char> buf(16, 0x55);
        wrap_memset(buf.data() + 1, c.value, c.n);
        for (int i = 0; i < 16; i++)
            EXPECT_EQ(buf[i], (i >= 1 && i < 1 + c.n) ? c.want : 0x55) << c.value << "/" << c.n << " at " << i;
    }
    std::vector<unsigned char> buf(16, 0x55);
    wrap_memclr(buf.data() + 2, 7);
    for (int i = 0; i < 16; i++) EXPECT_EQ(buf[i], (i >= 2 && i < 9) ? 0 : 0x55) << i;
}
