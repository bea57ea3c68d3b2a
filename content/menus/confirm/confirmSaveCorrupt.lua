-- Shown when a saved game cannot be read.
dofile("menus/confirm/dialog.lua")
ConfirmDialog("confirmSaveCorrupt", true)
