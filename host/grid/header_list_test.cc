#include "host/grid/header_list.h"

#include <gtest/gtest.h>

#include "host/grid/grid_types.h"

namespace {

std::vector<int> Ids(const CMultiHdrData& header) {
    std::vector<int> ids;
    for (int i = 0; i < header.GetCount(); ++i) ids.push_back(header.GetColID(i));
    return ids;
}

TEST(HeaderListTest, ColumnsAreFoundByIdAndIdsStayUnique) {
    CMultiHdrData header;
    EXPECT_EQ(header.AddFromResourceId(3381, 50, 1, UG_ALIGNLEFT, 0), 0);
    EXPECT_EQ(header.AddFromResourceId(3385, 59, 0, UG_ALIGNRIGHT, 0), 1);
    EXPECT_EQ(header.AddFromResourceId(3381, 99, 0, UG_ALIGNCENTER, 0), -1);
    EXPECT_EQ(header.AddFromResourceId(3395, -5, 1, UG_ALIGNCENTER, 7), 2);

    EXPECT_EQ(header.GetCount(), 3);
    EXPECT_EQ(header.GetWidth(3381), 50);  // the duplicate changed nothing
    EXPECT_EQ(header.GetVisible(3385), 0);
    EXPECT_EQ(header.GetAlignment(3385), UG_ALIGNRIGHT);
    EXPECT_EQ(header.GetPosition(3395), 2);
    EXPECT_EQ(header.GetWidth(3395), 0);
    EXPECT_EQ(header.GetIcon(3395), 7);
    EXPECT_EQ(header.GetVisibleCount(), 2);

    // Unknown ids and indexes.
    EXPECT_EQ(header.GetColID(3), -1);
    EXPECT_EQ(header.GetColID(-1), -1);
    EXPECT_EQ(header.GetPosition(1234), -1);
    EXPECT_EQ(header.GetVisible(1234), 0);
    EXPECT_EQ(header.GetWidth(1234), 0);
    EXPECT_FALSE(header.SetVisible(1234, 1));
    EXPECT_FALSE(header.SetWidth(1234, 10));

    // The user's changes; a negative width is none.
    EXPECT_TRUE(header.SetVisible(3381, 0));
    EXPECT_EQ(header.GetVisible(3381), 0);
    EXPECT_EQ(header.GetVisibleCount(), 1);
    EXPECT_TRUE(header.SetWidth(3385, 130));
    EXPECT_EQ(header.GetWidth(3385), 130);
    EXPECT_TRUE(header.SetWidth(3385, -3));
    EXPECT_EQ(header.GetWidth(3385), 0);
}

TEST(HeaderListTest, MovingReordersTheListSoPositionIsTheIndex) {
    CMultiHdrData header;
    for (int id : {10, 20, 30, 40}) header.AddFromResourceId(id, id, 1, UG_ALIGNLEFT, 0);

    ASSERT_TRUE(header.MoveColumn(0, 2));
    EXPECT_EQ(Ids(header), (std::vector<int>{20, 30, 10, 40}));
    ASSERT_TRUE(header.MoveColumn(3, 0));
    EXPECT_EQ(Ids(header), (std::vector<int>{40, 20, 30, 10}));
    ASSERT_TRUE(header.MoveColumn(1, 1));
    EXPECT_EQ(Ids(header), (std::vector<int>{40, 20, 30, 10}));
    for (int i = 0; i < header.GetCount(); ++i) {
        int id = header.GetColID(i);
        EXPECT_EQ(header.GetPosition(id), i);
        EXPECT_EQ(header.GetWidth(id), id);  // settings travel with the column
    }

    EXPECT_FALSE(header.MoveColumn(4, 0));
    EXPECT_FALSE(header.MoveColumn(0, -1));
    EXPECT_EQ(Ids(header), (std::vector<int>{40, 20, 30, 10}));
}

}  // namespace
