// Spline tessellation and its limits; no device is needed to build a strip.
#include <gtest/gtest.h>

#include <vector>

#include "Video/ObjectLine.h"

namespace {

std::vector<LinePoint> ControlPoints(int n) {
    std::vector<LinePoint> points;
    for (int i = 0; i < n; ++i)
        points.push_back({float(i), float(i % 2), 0.0f, 0.1f * float(i + 1), 1.0f});
    return points;
}

bool SamePlace(const LinePoint& a, const LinePoint& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

TEST(Spline, SegmentCountsAreBoundedByTheStrip) {
    ObjectSpline spline;
    const std::vector<LinePoint> points = ControlPoints(12);
    spline.SetControlPoints(points.data(), 12);
    EXPECT_FALSE(spline.SetSegments(0));
    EXPECT_FALSE(spline.SetSegments(1));
    EXPECT_TRUE(spline.SetSegments(10));  // (12 - 2) x 10 = 100
    EXPECT_FALSE(spline.SetSegments(11));
    EXPECT_FLOAT_EQ(spline.Step(), 0.1f);
    spline.SetControlPoints(points.data(), 1);
    EXPECT_FALSE(spline.SetSegments(4));  // no curve to count
    // A null source leaves no points.
    EXPECT_FALSE(spline.SetControlPoints(nullptr, 5));
    EXPECT_EQ(spline.PointCount(), 0u);
}

TEST(Spline, ThreePointsMakeOneCurveFromTheFirstToTheLast) {
    ObjectSpline spline;
    const LinePoint points[3] = {{0, 0, 0, 0.2f, 1}, {1, 2, 0, 5, 1}, {2, 0, 0, 0.4f, 1}};
    spline.SetControlPoints(points, 3);
    LinePoint strip[ObjectSpline::kMaxStrip];
    ASSERT_EQ(spline.BuildStrip(strip), 8u);  // t = 0.15 ... 0.90, plus both ends
    EXPECT_TRUE(SamePlace(strip[0], points[0]));
    EXPECT_TRUE(SamePlace(strip[7], points[2]));
    EXPECT_FLOAT_EQ(strip[7].width, 0.4f);
    for (const LinePoint& p : strip) {
        if (&p == strip + 8) break;
        EXPECT_FALSE(SamePlace(p, points[1]));  // shaped by the middle point, not through it
    }
    // At t = 0.15: Hermite of (0,0) to (2,0) with tangents to and from (1,2).
    const float t = 0.15f, h3 = t * t * t - 2 * t * t + t, h4 = t * t * t - t * t;
    EXPECT_NEAR(strip[1].y, 2.0f * h3 - 2.0f * h4, 1e-5f);
    EXPECT_NEAR(strip[1].width, 0.85f * 0.2f + 0.15f * 0.4f, 1e-6f);
    EXPECT_EQ(strip[1].tension, 0.0f);
}

TEST(Spline, CurvesMeetAtDoubledJointsAndTheStripStopsAtItsEnd) {
    ObjectSpline spline;
    std::vector<LinePoint> points = ControlPoints(4);
    spline.SetControlPoints(points.data(), 4);
    LinePoint strip[ObjectSpline::kMaxStrip];
    ASSERT_EQ(spline.BuildStrip(strip), 16u);
    EXPECT_TRUE(SamePlace(strip[7], points[2]));
    EXPECT_TRUE(SamePlace(strip[8], points[2]));
    EXPECT_TRUE(SamePlace(strip[15], points[3]));

    // 30 control points at the default step would make 224 points.
    points = ControlPoints(30);
    spline.SetControlPoints(points.data(), 30);
    EXPECT_EQ(spline.BuildStrip(strip), ObjectSpline::kMaxStrip);
    spline.SetControlPoints(points.data(), 2);
    EXPECT_EQ(spline.BuildStrip(strip), 0u);
}

}  // namespace
