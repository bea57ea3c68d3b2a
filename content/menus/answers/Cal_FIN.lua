-- Ends the conversation: the game shows it small, apart on the left.
dofile("menus/answers/AnswerButton.lua")
AnswerButton("01010_ANS_FIN")
