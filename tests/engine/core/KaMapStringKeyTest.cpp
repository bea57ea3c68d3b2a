#include "engine/containers/KaMap.h"

#include <gtest/gtest.h>

#include "engine/core/KaString.h"

namespace {

// The map as the engine uses it: byte-string keys, as in the localisation
// table and the GUI registries.
TEST(KaMapStringKey, LooksUpByteWiseAndKeepsTheFirstOfAKey)
{
    KaMap<KaString, KaString> table;
    table.pushBack("title", "Title");
    table.pushBack("Title", "Other");
    table.pushBack("title", "Second");

    EXPECT_TRUE(table.find("title")->value == "Title");
    EXPECT_TRUE(table.find("Title")->value == "Other");
    EXPECT_TRUE(table.find("TITLE") == table.end());
    EXPECT_TRUE(table.find("") == table.end());
    EXPECT_EQ(table.begin()->key.length(), 0u); // the head sentinel's key
    EXPECT_TRUE(table.lastElement()->value == "Second");

    // Strings share their bytes between copies; a copied map must still be
    // independent once a record of the copy changes.
    KaMap<KaString, KaString> copy(table);
    copy.find("title")->value += " changed";
    copy.pushBack("extra", "x");
    EXPECT_TRUE(table.find("title")->value == "Title");
    EXPECT_TRUE(copy.find("title")->value == "Title changed");
    EXPECT_TRUE(table.find("extra") == table.end());
    EXPECT_EQ(table.count(), 3u);
}

} // namespace
