-- "May I look at the logbook?"
dofile("menus/answers/AnswerButton.lua")
AnswerButton("01010_ANS_LOGBOOK")
