#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "Video/MatrixMan.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

namespace {
bool IsIdentity(const D3DXMATRIX* m) { return m && D3DXMatrixIsIdentity(m); }

std::uint32_t Alloc(MatrixMan& pool) {
    std::uint32_t index = 0xFFFFFFFF;
    D3DXMATRIX id;
    EXPECT_NE(pool.AllocMatrix(D3DXMatrixIdentity(&id), &index), nullptr);
    return index;
}
}  // namespace

TEST(MatrixMan, FreshPoolHoldsTheFiveReservedIdentities) {
    MatrixMan pool;
    ASSERT_TRUE(pool.Init());
    EXPECT_EQ(eTable::Peek(names::MatrixMan), &pool);
    for (std::uint32_t i = 0; i < 5; ++i) EXPECT_TRUE(IsIdentity(pool.GetMatrix(i))) << i;
    for (std::uint32_t i = 5; i <= 10; ++i) EXPECT_EQ(pool.GetMatrix(i), nullptr) << i;
    EXPECT_EQ(pool.GetMatrix(0xFFFFFFFF), nullptr);

    D3DXMATRIX* projection = pool.GetMatrix(1);
    EXPECT_FALSE(pool.Init());
    EXPECT_EQ(pool.GetMatrix(1), projection);

    EXPECT_TRUE(pool.Shutdown());
    EXPECT_EQ(eTable::Peek(names::MatrixMan), nullptr);
    EXPECT_EQ(pool.GetMatrix(1), nullptr);
}

TEST(MatrixMan, FreedIndicesQueueBehindThoseWaiting) {
    MatrixMan pool;
    ASSERT_TRUE(pool.Init());
    for (std::uint32_t expected = 5; expected <= 10; ++expected) EXPECT_EQ(Alloc(pool), expected);
    EXPECT_EQ(pool.TableSize(), 20u);
    EXPECT_EQ(pool.FreeQueue(), (std::deque<std::uint16_t>{11, 12, 13, 14, 15, 16, 17, 18, 19}));

    D3DXMATRIX* six = pool.GetMatrix(6);
    pool.ReleaseMatrix(six);
    EXPECT_EQ(pool.GetMatrix(6), nullptr);
    // The second release finds nothing to free and queues nothing.
    pool.ReleaseMatrix(six);
    pool.FreeIndex(6);
    EXPECT_EQ(pool.FreeQueue().size(), 10u);

    for (std::uint32_t expected = 11; expected <= 19; ++expected) EXPECT_EQ(Alloc(pool), expected);
    EXPECT_EQ(Alloc(pool), 6u);
    EXPECT_EQ(Alloc(pool), 20u);
    EXPECT_EQ(pool.TableSize(), 30u);

    // Reserved indices join the queue only when freed.
    pool.FreeIndex(2);
    EXPECT_EQ(pool.FreeQueue().back(), 2u);
}

TEST(MatrixMan, MatricesKeepTheirAddressesAndValuesAsTheTableGrows) {
    MatrixMan pool;
    ASSERT_TRUE(pool.Init());
    D3DXMATRIX t;
    D3DXMatrixTranslation(&t, 1, 2, 3);
    D3DXMATRIX* first = pool.AllocMatrix(&t, nullptr);
    for (int i = 0; i < 100; ++i) pool.AllocMatrix(&t);
    EXPECT_EQ(pool.GetMatrix(5), first);
    EXPECT_EQ(*first, t);
    EXPECT_EQ(pool.IndexOf(first), 5u);
    EXPECT_EQ(pool.IndexOf(nullptr), MatrixMan::kNoIndex);
    D3DXMATRIX stranger;
    EXPECT_EQ(pool.IndexOf(&stranger), MatrixMan::kNoIndex);
    pool.ReleaseMatrix(&stranger);  // not ours: nothing happens
    pool.ReleaseMatrix(nullptr);
    EXPECT_TRUE(pool.FreeQueue().size() < 10u);
}

TEST(MatrixMan, RefusesToGrowPastSixteenBitIndices) {
    MatrixMan pool;
    ASSERT_TRUE(pool.Init());
    std::uint32_t last = 0;
    for (std::uint32_t i = 5; i < MatrixMan::kMaxEntries; ++i) {
        ASSERT_NE(pool.AllocMatrix(nullptr, &last), nullptr) << i;
    }
    EXPECT_EQ(last, 0xFFFFu);
    EXPECT_EQ(pool.TableSize(), MatrixMan::kMaxEntries);
    EXPECT_EQ(pool.AllocMatrix(nullptr), nullptr);
    EXPECT_FALSE(pool.Grow());
    // Index 0 is never wrapped onto: the reserved matrix is still itself.
    EXPECT_TRUE(IsIdentity(pool.GetMatrix(0)));

    pool.FreeIndex(40000);
    D3DXMATRIX* reused = pool.AllocMatrix(nullptr, &last);
    EXPECT_EQ(reused, pool.GetMatrix(40000));
    EXPECT_EQ(last, 40000u);
}

// A level of characters gives back thousands of matrices in no particular
// order, some of them twice, while others are taken: every release must
// find what a scan of the table finds and queue the index as the scan would.
TEST(MatrixMan, ReleasesManyMatricesAsAScanOfTheTableWould) {
    MatrixMan pool;
    ASSERT_TRUE(pool.Init());
    auto scan = [&pool](const D3DXMATRIX* m) {
        for (std::uint32_t i = 0; i < pool.TableSize(); ++i)
            if (m && pool.GetMatrix(i) == m) return i;
        return MatrixMan::kNoIndex;
    };
    std::vector<D3DXMATRIX*> held;
    for (int i = 0; i < 3000; ++i) held.push_back(pool.AllocMatrix(nullptr));
    held.push_back(pool.GetMatrix(3));
    std::deque<std::uint16_t> queue = pool.FreeQueue();
    for (std::size_t step = 0; step < held.size(); ++step) {
        D3DXMATRIX* m = held[(step * 7919) % held.size()];  // every one once, scattered
        const std::uint32_t expected = scan(m);
        EXPECT_EQ(pool.IndexOf(m), expected) << step;
        pool.ReleaseMatrix(m);
        if (expected != MatrixMan::kNoIndex) queue.push_back(static_cast<std::uint16_t>(expected));
        if (step % 5 == 0) {  // a new matrix may take a freed address
            std::uint32_t index = 0;
            D3DXMATRIX* taken = pool.AllocMatrix(nullptr, &index);
            EXPECT_EQ(index, queue.front());
            queue.pop_front();
            EXPECT_EQ(pool.IndexOf(taken), index);
        }
    }
    EXPECT_EQ(pool.FreeQueue(), queue);
}
