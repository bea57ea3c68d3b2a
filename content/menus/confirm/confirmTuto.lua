-- Asked at the first new game: the tutorial or not.
dofile("menus/confirm/dialog.lua")
ConfirmDialog("confirmTuto", true)
