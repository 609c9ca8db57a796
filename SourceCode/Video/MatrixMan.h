#pragma once
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <vector>

#include "core/System.h"
#include "platform/d3dx/Math3D.h"

// The video system's pool of transform matrices. Every matrix is a separate
// allocation, so its address stays valid however the table grows: the effect
// parameter store and the render objects keep raw pointers to them.
//
// Indices are 16-bit; 0 to 4 are reserved (0 unused, 1 projection, 2 view,
// 3 view-projection, 4 screen-align, fetched by the camera). Freed indices
// are reused in the order they were freed, after those already waiting.
class MatrixMan : public System {
public:
    // IndexOf's answer for a matrix the pool does not hold.
    static constexpr std::uint32_t kNoIndex = 0x10000;
    // 16-bit indices address at most this many entries.
    static constexpr std::size_t kMaxEntries = 0x10000;
    static constexpr std::size_t kGrowStep = 10;
    static constexpr std::uint32_t kReservedCount = 5;

    MatrixMan() = default;
    ~MatrixMan() override;

    // Both arguments are ignored.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;

    // A new matrix holding a copy of init (identity when init is null), or
    // null when all 65,536 indices are taken. outIndex, when given, receives
    // the index.
    D3DXMATRIX* AllocMatrix(const D3DXMATRIX* init, std::uint32_t* outIndex = nullptr);
    // Null for an index beyond the table or a free slot.
    D3DXMATRIX* GetMatrix(std::uint32_t index) const;
    // The lowest index holding m, or kNoIndex (null included).
    std::uint32_t IndexOf(const D3DXMATRIX* m) const;
    // Deletes the matrix and queues its index; an index that holds nothing
    // is ignored, so a second free of the same index does nothing.
    void FreeIndex(std::uint32_t index);
    void ReleaseMatrix(D3DXMATRIX* m) { FreeIndex(IndexOf(m)); }
    // Ten more empty entries, their indices queued lowest first. Refuses
    // (false) once the table holds every 16-bit index; the last step may be
    // shorter than ten.
    bool Grow();

    std::size_t TableSize() const { return table.size(); }
    const std::deque<std::uint16_t>& FreeQueue() const { return freeQueue; }

private:
    void ReleaseAll();
    D3DXMATRIX* Place(std::uint32_t index, const D3DXMATRIX* init);

    std::vector<D3DXMATRIX*> table;
    std::deque<std::uint16_t> freeQueue;
    // Each held matrix's index (a matrix is held at one index only), so that
    // releasing one does not search the table: leaving a level of many
    // characters stays in proportion to their matrices.
    std::unordered_map<const D3DXMATRIX*, std::uint16_t> indexOf;
};
