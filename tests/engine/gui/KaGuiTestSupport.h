#ifndef KA_GUI_TEST_SUPPORT_H
#define KA_GUI_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include "engine/core/KaObject.h"
#include "engine/gui/KaMainWindow.h"

// Every GUI test starts without a main window and ends by destroying what it
// queued and the window it made, so singletons never leak between tests.
class KaGuiTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        KaObject::deleteNow();
        mainWindow.destroy();
    }
};

// Counts the emissions of one signal.
struct KaEmissionCounter {
    int count = 0;
    bool onSignal()
    {
        ++count;
        return false;
    }
    void listen(KaSignal0Param& signal) { signal.add(this, &KaEmissionCounter::onSignal); }
};

#endif
