// The yardstick for the program's start-up and frame cost: a plain SDL2 and
// OpenGL loop that shows the same picture (a splash, a scene's background)
// in a window of the same size, paced the same way, and prints the same kind
// of frame and frame time lines as the program's host.
#include <GL/gl.h>
#include <SDL.h>
#include <png.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "platform/KaFrameClocks.h"

namespace {

bool loadPng(const char* path, std::vector<unsigned char>& pixels, int& width, int& height)
{
    png_image image {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path))
        return false;
    image.format = PNG_FORMAT_RGBA;
    pixels.resize(PNG_IMAGE_SIZE(image));
    width = static_cast<int>(image.width);
    height = static_cast<int>(image.height);
    return png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
}

}

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PICTURE.png [FRAMES]\n", argv[0]);
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const long frames = argc > 2 ? std::atol(argv[2]) : 600;
    SDL_Init(SDL_INIT_VIDEO);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_Window* window = SDL_CreateWindow("Plain splash", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 800, 600,
        SDL_WINDOW_OPENGL);
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (!window || !context)
        return 1;
    std::vector<unsigned char> pixels;
    int width = 0, height = 0;
    if (!loadPng(argv[1], pixels, width, height))
        return 1;
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    const auto start = std::chrono::steady_clock::now();
    unsigned long long workWall = 0, workCpu = 0, swapWall = 0, longest = 0;
    bool quit = false;
    for (long frame = 1; frame <= frames && !quit; ++frame) {
        const unsigned long long wallStart = kaWallMicroseconds();
        const unsigned long long cpuStart = kaThreadCpuMicroseconds();
        SDL_Event event;
        while (SDL_PollEvent(&event))
            quit = quit || event.type == SDL_QUIT;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_TEXTURE_2D);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 1);
        glVertex2f(-1, -1);
        glTexCoord2f(1, 1);
        glVertex2f(1, -1);
        glTexCoord2f(1, 0);
        glVertex2f(1, 1);
        glTexCoord2f(0, 0);
        glVertex2f(-1, 1);
        glEnd();
        const unsigned long long wallWorked = kaWallMicroseconds();
        workWall += wallWorked - wallStart;
        workCpu += kaThreadCpuMicroseconds() - cpuStart;
        SDL_GL_SwapWindow(window);
        const unsigned long long wallEnd = kaWallMicroseconds();
        swapWall += wallEnd - wallWorked;
        if (wallEnd - wallStart > longest)
            longest = wallEnd - wallStart;
        if (frame == 1)
            std::printf("first frame\n");
        if (frame % 10 == 0) {
            std::printf("frame %ld\n", frame);
            std::printf("work %ld frames: %llu us wall, %llu us thread CPU, %llu us swap, %llu us process CPU, "
                        "longest frame %llu us\n",
                frame, workWall, workCpu, swapWall, kaProcessCpuMicroseconds(), longest);
            longest = 0;
        }
        std::this_thread::sleep_until(start + std::chrono::microseconds(frame * 1000000 / 60));
    }
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
