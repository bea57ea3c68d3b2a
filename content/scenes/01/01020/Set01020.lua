-- The background of scene 01020: the fish quay at dusk, the office on the right, painted at build time
-- under Camera01020 (so every pixel lies where the scene's 3D picks it).
-- "root" shows the picture; the scene hangs its interaction buttons on it.
KaLayout{
    name = "background",
    sizeType = Percent, size = {1, 1, 1},
    KaSpriteLayout{
        name = "root",
        sizeType = Percent, size = {1, 1, 1},
        image = "./background.png",
    },
}
