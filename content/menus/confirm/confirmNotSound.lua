-- A notice with one button: no sound device.
dofile("menus/confirm/dialog.lua")
ConfirmDialog("confirmNotSound", false)
