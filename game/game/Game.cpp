#include "game/game/Game.h"


Game::HitObject::HitObject(const KaString& n, KaButtonLayout* b, Game* g) : name(n), button(b), game(g) { }
bool Game::HitObject::OnValidated() { return false; }
bool Game::HitObject::OnDown() { return false; }
bool Game::HitObject::OnUp() { return false; }
bool Game::HitObject::OnChangeWarp() { return false; }
Game::GameSound::GameSound(Game& game) : mGame(game) { }
bool Game::GameSound::onSoundStopped() { return false; }
Game::RandomSound::RandomSound(Game& g) : game(g) { }
Game::RandomSound::~RandomSound() { }
bool Game::RandomSound::onSoundFinished() { return false; }

Game::Game()
    : mRequestMainMenu(false), mLeft(false), mWarpPending(false), mWarpBlackFade(false), mRunning(false),
      mSceneVisible(false), mPlayerArrived(false), mPlayerMoveDisabled(false), mMarkersHidden(true), mBackupState(0),
      mSaveRequested(false), mScore(0), mFirstInInventory(false), mRandomPhase(false), mSpareRandomSound(nullptr),
      mNoScaleLayout(nullptr), mNoScaleLayout2(nullptr), mObjectsTaken(0), mObjectsTakenBits(0), mDialogsTold(0),
      mEntered(false), mPlayedTime(0.0), mPreviousMousePos(-1, -1), mLeaving(false)
{
}
Game::~Game() { }
void Game::enter(bool) { }
void Game::leave(bool) { }
void Game::update() { }
void Game::draw() { }
bool Game::loadPlayerCharacter(const KaString&) { return false; }
bool Game::loadCharacter(const KaString&) { return false; }
bool Game::unloadCharacter(const KaString&) { return false; }
bool Game::unloadCharacters() { return true; }
bool Game::unloadPlayerCharacter(const KaString&) { return true; }
void Game::initNoScale() { }
void Game::deleteNoScale() { }
void Game::addNoScaleChildren() { }
void Game::removeNoScaleChildren() { }
void Game::addNoScale2Children() { }
void Game::removeNoScale2Children() { }
void Game::addNoScale2Child(KaILayout*) { }
void Game::removeNoScale2Child(KaILayout*) { }
bool Game::changeWarp(const KaString&, const KaString&, bool) { return true; }
bool Game::changeWarp2(const KaString&, const KaString&, bool) { return false; }
bool Game::initWarp(const KaString&, const KaString&, bool) { return false; }
bool Game::loadScene(const KaPath&) { return false; }
bool Game::onMouseClick(unsigned int) { return true; }
bool Game::onMouseMove() { return true; }
bool Game::onMarkersVisible(KaCheckboxLayout::State) { return false; }
void Game::showMarkers(bool) { }
bool Game::onDialogFinished(const KaString&) { return false; }
bool Game::onDisplacementFinished() { return false; }
bool Game::onVideoFinished() { return false; }
bool Game::onCharacterAnimationFinished(const KaString&) { return false; }
bool Game::onCharacterAnimationPlayerFinished(const KaString&) { return false; }
bool Game::onAnswered(const KaString&) { return false; }
bool Game::onCallNumber(const KaString&) { return false; }
void Game::raiseSelectedObject(const KaString&) { }
void Game::raiseDocumentClosed(const KaString&) { }
void Game::raiseShowedDocumentButton(const KaString&, const KaString&) { }
void Game::saveBackup(const KaPath&) { }
void Game::loadBackup(const KaPath&) { }
bool Game::onFinishedLoadingBackup(KaString) { return false; }
void Game::initLoadedBackupData() { }
void Game::initScene(bool, KaString) { }
bool Game::onFinishedSavingBackup(int) { return true; }
bool Game::onFinishedCheckBackup(bool) { return false; }
void Game::playSound(const KaString&, int, float) { }
void Game::stopSound(const KaString&) { }
void Game::addRandomSound(const KaString&, const KaString&, float, float) { }
void Game::playRandomSound(const KaString&) { }
void Game::addToScore(EGameScoreID) { }
void Game::addToBag(const KaString&) { }
void Game::addToHand(const KaString&) { }
bool Game::launchDialog(const KaString&, unsigned int, const KaString&, const KaString&, float) { return false; }
void Game::addArtworkUnlocked(KaString, bool) { }
void Game::setCurrentObjectSprite(const KaPath&) { }
bool Game::onInventoryButtonValidated() { return false; }
bool Game::onSkipVideoButtonValidated() { return false; }
bool Game::onLockVideoButtonValidated() { return true; }
bool Game::isMoviePlaying() { return false; }
bool Game::isDocumentOpened() { return false; }
void Game::setPlayerMoveDisabled(bool disabled) { mPlayerMoveDisabled = disabled; }
