-- What every answer shares: a button "answer" showing its localised text in
-- navy ink on the notepad, amber while pressed. The answer files call
-- AnswerButton(key) with the localisation key of their text (the answer's
-- id); the game places and sizes the button.
local function caption(name, key, color)
    return KaTextLayout{
        name = name,
        sizeType = Percent, size = {1, 1, 1},
        text = '<section style="left" /><color r="' .. color[1] .. '" g="' .. color[2] .. '" b="' .. color[3]
            .. '"/><font file="Common/Fonts/ComicRelief.ttf" size="20" />$(' .. key .. ')',
    }
end

function AnswerButton(key)
    return KaButtonLayout{
        name = "answer",
        upLayout = caption("answerUp", key, {22, 34, 56}),
        downLayout = caption("answerDown", key, {196, 128, 24}),
        rollOverLayout = caption("answerRollOver", key, {60, 92, 140}),
    }
end
