#include <gtest/gtest.h>

#include <string>

#include "link/item_data.h"

namespace korvane {
namespace {

using namespace std::string_literals;

TEST(ItemDataTest, TextEndsAtTheFirstNulOrAtTheEndOfTheData)
{
    const std::string withNul = "SNAO-7 AZ1\0garbage"s;
    EXPECT_EQ(TextFromItemData(withNul.data(), withNul.size()), "SNAO-7 AZ1");
    EXPECT_EQ(TextFromItemData(withNul.data(), 4), "SNAO");  // no NUL within the data
    EXPECT_EQ(TextFromItemData("\0SNAO-7", 7), "");
    EXPECT_EQ(TextFromItemData(nullptr, 0), "");
    EXPECT_EQ(TextFromItemData("x", 0), "");
}

TEST(ItemDataTest, EveryByteOtherThanNulIsKeptAsIs)
{
    std::string bytes;
    for (int value = 1; value <= 255; ++value) {
        bytes.push_back(static_cast<char>(value));
    }
    EXPECT_EQ(TextFromItemData(bytes.data(), bytes.size()), bytes);
}

}  // namespace
}  // namespace korvane
