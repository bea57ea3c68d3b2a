#ifndef KA_HOST_HOOKS_H
#define KA_HOST_HOOKS_H

// The calls through which the host drives the game. The program passes the
// game's own hooks; tests pass fakes, so the host runs without a game.
struct KaHostHooks {
    // Constructs the application (reads its options: size, full screen).
    void (*configure)();
    // Creates it: fonts, texts, layers, the first screen. The GL context is
    // current and the renderer ready.
    void (*create)();
    // One frame: timers, input, animations, game, sound, drawing.
    bool (*nextFrame)();
    // Destroys the application, which saves its options.
    void (*destroy)();
};

#endif
