// The key tree's limits: files beyond them are refused cheaply, files within
// them are read and written back whole.
#include "settings/Hive.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>
#include <string>

namespace {

// Bytes handed out by operator new, so that a test can bound what a call allocates.
std::atomic<std::size_t> g_allocatedBytes{0};

} // namespace

void* operator new(std::size_t size) {
    g_allocatedBytes += size;
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}

namespace jostle::test {
namespace {

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";

std::string Path(std::size_t depth, const std::string& name = "a") {
    std::string path = name;
    for (std::size_t i = 1; i < depth; ++i) {
        path += '\\' + name;
    }
    return path;
}

std::string KeyLine(const std::string& path) {
    return "[HKEY_LOCAL_MACHINE\\" + path + "]\n";
}

TEST(HiveLimitsTest, AFileBeyondThemIsUnparseableAndCostsLittle) {
    const std::string deep = kHeader + KeyLine(Path(16'000)); // 32 KB
    const std::size_t allocatedBefore = g_allocatedBytes;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Hive::Parse(deep));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(g_allocatedBytes - allocatedBefore, 2U * 1024 * 1024) << "allocated in all";
    EXPECT_LT(elapsed, std::chrono::milliseconds(500));

    EXPECT_FALSE(Hive::Parse(kHeader + KeyLine(Path(kMaxKeyDepth + 1))));
    EXPECT_FALSE(Hive::Parse(kHeader + KeyLine(std::string(kMaxKeyNameBytes + 1, 'n'))));
    EXPECT_FALSE(
        Hive::Parse(kHeader + KeyLine(Path(kMaxKeyPathBytes / 200 + 1, std::string(199, 'p')))));
    // One key too many: each header brings 512 keys.
    std::string tooMany = kHeader;
    for (std::size_t i = 0; i * kMaxKeyDepth <= kMaxKeys; ++i) {
        tooMany += KeyLine(std::to_string(i) + '\\' + Path(kMaxKeyDepth - 1));
    }
    EXPECT_FALSE(Hive::Parse(tooMany));
}

TEST(HiveLimitsTest, AFileAtThemIsReadAndWrittenBackWithinBounds) {
    const std::string longName(kMaxKeyNameBytes, 'n');
    std::string text = kHeader + KeyLine(Path(kMaxKeyDepth, "b")) + "\"v\"=\"1\"\n" +
                       KeyLine(Path(kMaxKeyPathBytes / 256 - 1, longName) + '\\' + longName);
    std::string manyKeys = kHeader;
    for (std::size_t i = 0; (i + 1) * kMaxKeyDepth <= kMaxKeys; ++i) {
        manyKeys += KeyLine(std::to_string(i) + '\\' + Path(kMaxKeyDepth - 1));
    }
    for (const std::string& good : {text, manyKeys}) {
        const auto hive = Hive::Parse(good);
        ASSERT_TRUE(hive);
        const std::string written = hive->Serialize();
        EXPECT_LT(written.size(), 2 * good.size()) << "only the paths spelt out are written";
        const auto again = Hive::Parse(written);
        ASSERT_TRUE(again);
        EXPECT_EQ(again->Serialize(), written);
    }
    const auto hive = Hive::Parse(text);
    EXPECT_EQ(*hive->Find(Path(kMaxKeyDepth, "B"), "V"), "1");
    EXPECT_TRUE(hive->HasKey(Path(kMaxKeyDepth - 1, "b")));
}

} // namespace
} // namespace jostle::test
