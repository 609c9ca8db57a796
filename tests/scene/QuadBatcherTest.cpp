// The quad batcher on a real device: batching by key, the 100-quad limit,
// the quads' corners and texture coordinates, and failed flushes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "Video/QuadBatcher.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "support/TestVideo.h"

namespace {

// Records every batch instead of drawing it.
class RecordingBatcher : public ManagedQuadBuffer {
public:
    struct Batch {
        std::uint32_t kind;
        std::uint32_t quads;
        float red;
    };
    bool Draw() override {
        batches.push_back({BatchKind(), QuadCount(), BatchColour()[0]});
        return true;
    }
    std::vector<Batch> batches;
};

class QuadBatcher : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(video.ok());
        // The recorder takes the real batcher's place and name.
        video.video.DeleteChild(eTable::Peek(names::ManagedQuadBuffer));
        batcher = video.video.AdoptChild(new RecordingBatcher);
        ASSERT_TRUE(batcher->IsInitialized());
    }
    void TearDown() override { plat::InjectLockFailures(0); }

    // The vertex buffer's first count x 4 vertices, seven floats each.
    std::vector<float> Vertices(std::uint32_t quads) {
        void* data = nullptr;
        EXPECT_EQ(batcher->VertexBuffer()->Lock(0, 0, &data, D3DLOCK_READONLY), D3D_OK);
        std::vector<float> out(quads * 28);
        std::memcpy(out.data(), data, out.size() * sizeof(float));
        batcher->VertexBuffer()->Unlock();
        return out;
    }

    TestVideo video;
    RecordingBatcher* batcher = nullptr;
};

TEST_F(QuadBatcher, OneKeyDrawsInCallsOfAHundred) {
    std::vector<ScreenQuadItem> items(250, ScreenQuadItem{0, 0, 0, 0.1f, 0.1f});
    ASSERT_TRUE(batcher->AddScreenQuad(items.data(), 250, 23, 1, 1, 1, 1, nullptr));
    batcher->Update();
    ASSERT_EQ(batcher->batches.size(), 3u);
    EXPECT_EQ(batcher->batches[0].quads, 100u);
    EXPECT_EQ(batcher->batches[1].quads, 100u);
    EXPECT_EQ(batcher->batches[2].quads, 50u);
    EXPECT_EQ(batcher->QuadCount(), 0u);
}

TEST_F(QuadBatcher, AChangeOfColourOrKindClosesTheBatch) {
    const ScreenQuadItem item{0, 0, 0, 0.1f, 0.1f};
    for (int i = 0; i < 4; ++i) batcher->AddScreenQuad(&item, 1, 23, i % 2 ? 1.0f : 0.5f, 1, 1, 1, nullptr);
    batcher->AddScreenQuad(&item, 1, 5, 0.5f, 1, 1, 1, nullptr);
    batcher->Update();
    ASSERT_EQ(batcher->batches.size(), 5u);
    for (const auto& batch : batcher->batches) EXPECT_EQ(batch.quads, 1u);
    EXPECT_EQ(batcher->batches[1].red, 1.0f);
    EXPECT_EQ(batcher->batches[4].kind, 5u);
}

TEST_F(QuadBatcher, ScreenQuadsHangDownFromTheirTopLeftCorner) {
    const ScreenQuadItem items[2] = {{-0.5f, 0.5f, 0.25f, 0.5f, 0.25f}, {0.0f, 0.0f, 0.0f, 0.2f, 0.0f}};
    batcher->AddScreenQuad(items, 2, 23, 1, 1, 1, 1, nullptr);
    ASSERT_TRUE(batcher->Flush());
    const std::vector<float> v = Vertices(2);
    // x, y, z, w, u, v, texture slot per corner: bottom-left, top-left,
    // bottom-right, top-right.
    const float first[28] = {-0.5f, 0.25f, 0.25f, 1, 0, 1, 0, -0.5f, 0.5f, 0.25f, 1, 0, 0, 0,
                             0.0f,  0.25f, 0.25f, 1, 1, 1, 0, 0.0f,  0.5f, 0.25f, 1, 1, 0, 0};
    for (int i = 0; i < 28; ++i) EXPECT_FLOAT_EQ(v[i], first[i]) << "float " << i;
    // A height of 0 makes a square of the width.
    EXPECT_FLOAT_EQ(v[28 + 1], -0.2f);
}

TEST_F(QuadBatcher, AFailedFlushKeepsTheQueueAndDropsWhatDoesNotFit) {
    std::vector<ScreenQuadItem> items(105, ScreenQuadItem{0, 0, 0, 0.1f, 0.1f});
    plat::InjectLockFailures(6);  // the flush at 100, then the retry before each of the last five
    batcher->AddScreenQuad(items.data(), 105, 23, 1, 1, 1, 1, nullptr);
    EXPECT_EQ(batcher->QuadCount(), 100u);
    EXPECT_TRUE(batcher->batches.empty());
    // The next retry succeeds; the quads after it are queued anew.
    batcher->AddScreenQuad(items.data(), 3, 23, 1, 1, 1, 1, nullptr);
    ASSERT_EQ(batcher->batches.size(), 1u);
    EXPECT_EQ(batcher->batches[0].quads, 100u);
    EXPECT_EQ(batcher->QuadCount(), 3u);
}

TEST_F(QuadBatcher, LineSegmentsAreWidenedAcrossTheirDirectionAndClipped) {
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    const LinePoint line[3] = {{-0.5f, 0, 0, 0.1f, 0}, {0.5f, 0, 0.5f, 0.2f, 0}, {0.5f, 0.5f, 0.5f, 0.2f, 0}};
    ASSERT_TRUE(batcher->AddLine(line, &identity, 3, 5, 1, 0, 0, 1, nullptr));
    ASSERT_EQ(batcher->QuadCount(), 2u);
    const ManagedQuadBuffer::Quad& q = batcher->QueuedQuad(0);
    // Perpendicular (0, 1); the far end's width shrinks by 1 - z/w.
    EXPECT_FLOAT_EQ(q.corner[0].y, 0.1f);
    EXPECT_FLOAT_EQ(q.corner[1].y, -0.1f);
    EXPECT_FLOAT_EQ(q.corner[2].y, 0.1f);
    EXPECT_FLOAT_EQ(q.corner[3].x, 0.5f);

    EXPECT_FALSE(batcher->AddLine(line, &identity, 1, 5, 1, 0, 0, 1, nullptr));
    ManagedQuadBuffer::Quad made;
    const D3DXVECTOR4 inside(0, 0, 0.5f, 1), behind(0, 0, -2, 1), beyond(0, 0, 2, 1), left(-3, 0, 0, 1),
        farLeft(-2, 1, 0, 1), wZero(0, 1, 0, 0);
    EXPECT_FALSE(ManagedQuadBuffer::MakeSegmentQuad(&made, inside, behind, 1, 1));
    EXPECT_FALSE(ManagedQuadBuffer::MakeSegmentQuad(&made, beyond, inside, 1, 1));
    EXPECT_FALSE(ManagedQuadBuffer::MakeSegmentQuad(&made, left, farLeft, 1, 1));
    EXPECT_FALSE(ManagedQuadBuffer::MakeSegmentQuad(&made, inside, inside, 1, 1));  // no direction
    EXPECT_FALSE(ManagedQuadBuffer::MakeSegmentQuad(&made, inside, wZero, 1, 1));
    EXPECT_TRUE(ManagedQuadBuffer::MakeSegmentQuad(&made, left, inside, 1, 1));  // one end inside
}

TEST_F(QuadBatcher, KindsWithoutAMaterialAreSkippedAndTheBuffersSurviveAReset) {
    ManagedQuadBuffer real;
    video.video.DeleteChild(batcher);
    real.Init();
    const ScreenQuadItem item{0, 0, 0, 0.1f, 0.1f};
    real.AddScreenQuad(&item, 1, 40, 1, 1, 1, 1, nullptr);
    EXPECT_TRUE(real.Flush());  // written, not drawn: no material of kind 40
    EXPECT_EQ(real.QuadCount(), 0u);
    real.Shutdown();
    EXPECT_EQ(real.VertexBuffer(), nullptr);
    EXPECT_FALSE(real.Flush());  // without buffers nothing happens
    EXPECT_TRUE(real.Init());
    EXPECT_NE(real.IndexBuffer(), nullptr);
    real.Shutdown();
}

}  // namespace
