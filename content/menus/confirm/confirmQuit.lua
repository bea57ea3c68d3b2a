-- Asked before the program ends.
dofile("menus/confirm/dialog.lua")
ConfirmDialog("confirmQuit", true)
