#ifndef GAME_ACHIEVEMENTS_H
#define GAME_ACHIEVEMENTS_H

class KaLuaContext;

// The achievements' identifiers as the scripts name them: one integer Lua
// global per achievement and platform, "PS3_" + name (0, -1, -2, ...) and
// "XBOX_" + name (1, 2, 3, ...), all the "PS3_" ones first.
class GameAchievements {
public:
    static void registerAchievements(KaLuaContext& context);

    static const char* const names[];
    static const unsigned int count;
};

#endif
