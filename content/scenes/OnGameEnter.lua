-- Run after a game's first scene is built and after every scene change:
-- what holds whatever the scene is.
if not gameStarted then
    gameStarted = true
    print("[OnGameEnter] a new game begins")
end
