-- Asked before a new game replaces the one in progress.
dofile("menus/confirm/dialog.lua")
ConfirmDialog("confirmNewGame", true)
