-- Asked before a saved game replaces the one in progress.
dofile("menus/confirm/dialog.lua")
ConfirmDialog("confirmLoadGame", true)
