#include "imaging/PictureList.h"
#include "imaging/PictureFixtures.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

TEST(PictureList, FailuresLeaveTheListAsItWas) {
    TempFolder temp;
    const std::string red = temp.Write(
        "red.bmp", MakeBmp({.width = 1, .height = 1, .pixels = std::string("\0\0\xFF\0", 4)}));
    const std::string blue = temp.Write(
        "blue.bmp", MakeBmp({.width = 1, .height = 1, .pixels = std::string("\xFF\0\0\0", 4)}));
    const std::string broken = temp.Write("broken.png", "\x89PNG\r\n\x1A\n");
    CPictureList list;
    CPicture* sample = list.Add("sample", red, 5, 6, 7);
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->x, 5);
    EXPECT_EQ(sample->y, 6);
    EXPECT_EQ(sample->flags, 7);
    EXPECT_FALSE(list.Add("sample", broken, -1, -1, 0));
    EXPECT_FALSE(list.Add("sample", red, -1, -1, 0, {8, -1, -1}));
    EXPECT_FALSE(list.Add("sample", temp.File("missing.bmp"), -1, -1, 0));
    EXPECT_EQ(list.GetCount(), 1);

    EXPECT_FALSE(list.Replace(0, "other", broken, 1, 1, 1));
    EXPECT_FALSE(list.Replace(1, "other", blue, 1, 1, 1));
    EXPECT_EQ(list.Get(0), sample);
    EXPECT_EQ(*list.GetName(0), "sample");
    EXPECT_EQ(sample->dib.pixels[2], 0xFF);

    std::optional<CPicture> copy = list.GetCopy(0);
    ASSERT_TRUE(list.Replace(0, "other", blue, 1, 2, 3));
    EXPECT_EQ(*list.GetName(0), "other");
    EXPECT_EQ(list.Get(0)->dib.pixels[0], 0xFF);
    EXPECT_EQ(list.Get(0)->y, 2);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->dib.pixels[2], 0xFF); // the copy owns its own pixels
    EXPECT_EQ(copy->x, 5);

    EXPECT_FALSE(list.Get(-1));
    EXPECT_FALSE(list.Get(1));
    EXPECT_FALSE(list.GetCopy(1));
    EXPECT_FALSE(list.GetName(1));

    ASSERT_TRUE(list.AddBitmapResource("icon", ReadFileOrEmpty(red)));
    EXPECT_FALSE(list.AddBitmapResource("icon", "BM"));
    EXPECT_EQ(list.GetCount(), 2);
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
}
