#ifndef KA_GUI_INPUT_FIXTURE_H
#define KA_GUI_INPUT_FIXTURE_H

#include "engine/core/KaIClock.h"
#include "engine/core/KaTimer.h"
#include "engine/input/KaInputMgr.h"
#include "tests/engine/gui/KaGuiTestSupport.h"

// A main window of 800 x 600 and an input manager, both on a clock moved by
// hand. Pointer events go in as the host gives them: raw window pixels with y
// counted from the top. A game listener at -10000 records what no widget took.
class KaGuiInputTest : public KaGuiTest, public KaIClock {
protected:
    void SetUp() override
    {
        KaTimer::setClock(this);
        KaTimer::updateAll();
        input = inputMgr.get();
        input->setClock(this);
        input->initialize();
        mainWindow.get()->setSize(KaVector3f32(800, 600, 0));
        input->onAnyMouseLeftDown().add(this, &KaGuiInputTest::onGameDown, -10000.0f);
        input->onAnyMouseLeftUp().add(this, &KaGuiInputTest::onGameUp, -10000.0f);
        // Well past the input manager's start, which counts as a freeze.
        advance(2000);
    }
    void TearDown() override
    {
        KaGuiTest::TearDown();
        inputMgr.destroy();
        KaTimer::setClock(nullptr);
    }

    unsigned long long microseconds() override { return mNow; }
    void advance(double milliseconds)
    {
        mNow += static_cast<unsigned long long>(milliseconds * 1000.0);
        KaTimer::updateAll();
    }

    void move(int x, int y) { input->setMouseRawPosition(KaVector2s32(x, y), 0); }
    void press(int x, int y)
    {
        move(x, y);
        input->setMouseLeft(true, 0);
    }
    void release(int x, int y)
    {
        move(x, y);
        input->setMouseLeft(false, 0);
    }
    void click(int x, int y)
    {
        press(x, y);
        release(x, y);
    }

    bool onGameDown(unsigned int)
    {
        ++gameDowns;
        return true;
    }
    bool onGameUp(unsigned int)
    {
        ++gameUps;
        return true;
    }

    KaInputMgr* input = nullptr;
    int gameDowns = 0;
    int gameUps = 0;
    unsigned long long mNow = 7000000000ULL;
};

#endif
