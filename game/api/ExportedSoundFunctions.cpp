// The script functions for sounds, music and movies.

#include "engine/sound/KaMusic.h"
#include "game/api/ExportedFunctions.h"
#include "game/api/ExportedFunctionsGame.h"
#include "game/application/Application.h"

using namespace ExportedFunctionsGame;

void PlayMovie(const KaString& movie, const KaString& sound)
{
    application.get()->mouseCursor().load(KaPath("pictures/cursor.png"));
    // A movie that does not play never ends: whoever waits for it goes on.
    if (!playMovie(movie, sound))
        abandonStartingWait("OnMovieFinished", movie);
}

void PlaySound(const KaString& file, int count, float volume)
{
    game().playSound(file, count, volume);
    // Only 1 and -1 play anything: a count that plays nothing has no end to
    // wait for.
    if (count != 1 && count != -1)
        abandonStartingWait("OnFreeSoundFinished", file);
}

void StopSound(const KaString& file) { game().stopSound(file); }

void AddRandomSound(const KaString& list, const KaString& file, float weight, float volume)
{
    game().addRandomSound(list, file, weight, volume);
}

void PlayRandomSound(const KaString& list) { game().playRandomSound(list); }

void PlayMusic(const KaString& file)
{
    KaMusic& music = application.get()->menuMusic();
    music.load(KaPath(file));
    music.play();
    music.repeat(false);
    music.volume(1.0f);
}

void SetSoundStep(const KaString& zone, const KaString& first, const KaString& second)
{
    scene().setStep(zone, first, second);
}
