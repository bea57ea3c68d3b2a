#include <gtest/gtest.h>

#include "engine/core/KaILoc.h"

namespace {

class Table : public KaILoc {
public:
    void add(const char* key, const char* value)
    {
        KaILocData entry;
        entry.name = key;
        entry.value = value;
        mTable.pushBack(KaString(key), entry);
    }
};

} // namespace

TEST(KaILocTest, LookupByKey)
{
    Table table;
    EXPECT_EQ(table.text(KaString("MENU_PLAY")), nullptr) << "empty table";

    table.add("MENU_PLAY", "Jouer");
    table.add("MENU_QUIT", "Quitter");
    table.add("MENU_PLAY", "Rejouer");
    EXPECT_EQ(table.text(KaString("MENU_OPTIONS")), nullptr);
    EXPECT_EQ(table.text(KaString("MENU_PLA")), nullptr) << "whole keys only";

    const KaString* play = table.text(KaString("MENU_PLAY"));
    ASSERT_NE(play, nullptr);
    EXPECT_STREQ(play->c_str(), "Jouer") << "the first entry of a key wins";

    for (int i = 0; i < 100; ++i)
        table.add("FILLER", "x");
    EXPECT_EQ(table.text(KaString("MENU_PLAY")), play) << "entries stay where they are as the table grows";
    EXPECT_STREQ(play->c_str(), "Jouer");
}
