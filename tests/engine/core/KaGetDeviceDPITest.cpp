#include <gtest/gtest.h>

#include <limits>

#include "engine/core/KaGetDeviceDPI.h"
#include "engine/core/KaIDisplayMetrics.h"

namespace {

class FixedMetrics : public KaIDisplayMetrics {
public:
    FixedMetrics(double pixels, double millimetres) : mPixels(pixels), mMillimetres(millimetres) {}
    double pixelWidth() override { return mPixels; }
    double physicalWidth() override { return mMillimetres; }

    double mPixels;
    double mMillimetres;
};

class KaGetDeviceDPITest : public ::testing::Test {
protected:
    void TearDown() override { KaSetDisplayMetrics(nullptr); }
};

} // namespace

TEST_F(KaGetDeviceDPITest, WithoutMetricsItIsTheReference)
{
    KaSetDisplayMetrics(nullptr);
    EXPECT_EQ(KaGetDeviceReferenceDPI(), 92u);
    EXPECT_EQ(KaGetDeviceDPI(), 92u);
}

TEST_F(KaGetDeviceDPITest, TableOfScreens)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    struct Case {
        double pixels;
        double millimetres;
        unsigned int expected;
    };
    const Case cases[] = {
        { 1440, 286, 127 }, // 127.88, truncated
        { 2560, 677.376, 95 }, // 96 with an exact 25.4; the factor is 25.4 as a float
        { 1920, 508, 95 },
        // No usable physical width, or no usable pixel width: the reference.
        { 1920, 0, 92 },
        { 1920, -300, 92 },
        { 1920, nan, 92 },
        { 1920, infinity, 92 },
        { 0, 300, 92 },
        { nan, 300, 92 },
        { infinity, 300, 92 },
        { 1920, 1e-300, 92 },
        { 10, 300, 92 }, // under one dot per inch
    };
    for (const Case& c : cases) {
        FixedMetrics metrics(c.pixels, c.millimetres);
        KaSetDisplayMetrics(&metrics);
        EXPECT_EQ(KaGetDeviceDPI(), c.expected) << c.pixels << " px on " << c.millimetres << " mm";
    }
}
