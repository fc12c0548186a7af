// The hash map that matching looks records up in: a key keeps the value it
// was added with, and the map takes more keys than it was made for.

#include "db/FlatMap.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace korvex {
namespace {

// Every key in one place of the array: each lookup probes past all the others.
struct OnePlace {
    std::size_t operator()(std::uint32_t) const { return 5; }
};

struct Mixed {
    std::size_t operator()(std::uint64_t key) const { return static_cast<std::size_t>(MixBits(key)); }
};

template <typename Hash>
void ExpectEveryKeyKept(std::uint32_t keys)
{
    FlatMap<std::uint32_t, std::uint32_t, Hash> map(2);
    for (std::uint32_t k = 0; k < keys; ++k)
        ASSERT_EQ(map.At(k * 7919, k), k);
    for (std::uint32_t k = 0; k < keys; ++k) {
        EXPECT_EQ(map.At(k * 7919, 99999), k) << "an existing key keeps its value";
        const std::uint32_t* value = map.Get(k * 7919);
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(*value, k);
    }
    EXPECT_EQ(map.Get(1), nullptr);
}

TEST(FlatMap, KeepsEveryKeyPastTheRoomItWasMadeFor)
{
    ExpectEveryKeyKept<Mixed>(5000);
    ExpectEveryKeyKept<OnePlace>(300);
}

TEST(FlatMap, ValuesChangeInPlace)
{
    FlatMap<std::uint64_t, int, Mixed> map(4);
    map.At(42, 0) += 3;
    map.At(42, 0) += 4;
    ASSERT_NE(map.Get(42), nullptr);
    EXPECT_EQ(*map.Get(42), 7);
}

} // namespace
} // namespace korvex
