-- "When does the tide turn?"
dofile("menus/answers/AnswerButton.lua")
AnswerButton("01010_ANS_TIDE")
