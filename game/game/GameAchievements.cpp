#include "game/game/GameAchievements.h"

#include "engine/core/KaString.h"
#include "engine/script/KaLuaContext.h"

const char* const GameAchievements::names[] = { "Welcome", "Legacy", "Graduate", "Dezeze", "Odyssey", "Code",
    "Escape", "Quenmark", "Music", "OnWay", "Gossip", "Snoop", "School" };

const unsigned int GameAchievements::count = sizeof names / sizeof *names;

void GameAchievements::registerAchievements(KaLuaContext& context)
{
    for (unsigned int i = 0; i < count; ++i)
        context.setGlobal(KaString("PS3_") + names[i], -static_cast<int>(i));
    for (unsigned int i = 0; i < count; ++i)
        context.setGlobal(KaString("XBOX_") + names[i], static_cast<int>(i) + 1);
}
