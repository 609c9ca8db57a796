#include "Video/MatrixMan.h"

#include <algorithm>

#include "core/SystemNames.h"
#include "core/eTable.h"

MatrixMan::~MatrixMan() {
    if (initialized) Shutdown();
    ReleaseAll();
}

bool MatrixMan::Init(void*, void*) {
    if (initialized) return false;
    name = names::MatrixMan;
    if (!eTable::Register(name, this)) return false;

    table.assign(kGrowStep, nullptr);
    freeQueue.clear();
    for (std::uint32_t i = 0; i < kReservedCount; ++i) Place(i, nullptr);
    for (std::uint32_t i = kReservedCount; i < kGrowStep; ++i) freeQueue.push_back(static_cast<std::uint16_t>(i));
    initialized = true;
    return true;
}

bool MatrixMan::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    ReleaseAll();
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}

void MatrixMan::ReleaseAll() {
    for (D3DXMATRIX* m : table) delete m;
    table.clear();
    table.shrink_to_fit();
    freeQueue.clear();
    indexOf.clear();
}

bool MatrixMan::Grow() {
    std::size_t first = table.size();
    std::size_t count = std::min(kGrowStep, kMaxEntries - first);
    if (count == 0) return false;
    table.resize(first + count, nullptr);
    for (std::size_t i = first; i < first + count; ++i) freeQueue.push_back(static_cast<std::uint16_t>(i));
    return true;
}

D3DXMATRIX* MatrixMan::AllocMatrix(const D3DXMATRIX* init, std::uint32_t* outIndex) {
    if (freeQueue.empty() && !Grow()) return nullptr;
    std::uint16_t index = freeQueue.front();
    freeQueue.pop_front();
    if (outIndex) *outIndex = index;
    return Place(index, init);
}

D3DXMATRIX* MatrixMan::Place(std::uint32_t index, const D3DXMATRIX* init) {
    D3DXMATRIX* m = new D3DXMATRIX;
    if (init)
        *m = *init;
    else
        D3DXMatrixIdentity(m);
    table[index] = m;
    indexOf[m] = static_cast<std::uint16_t>(index);
    return m;
}

D3DXMATRIX* MatrixMan::GetMatrix(std::uint32_t index) const {
    return index < table.size() ? table[index] : nullptr;
}

std::uint32_t MatrixMan::IndexOf(const D3DXMATRIX* m) const {
    auto it = indexOf.find(m);
    return it == indexOf.end() ? kNoIndex : it->second;
}

void MatrixMan::FreeIndex(std::uint32_t index) {
    if (index >= table.size() || !table[index]) return;
    indexOf.erase(table[index]);
    delete table[index];
    table[index] = nullptr;
    freeQueue.push_back(static_cast<std::uint16_t>(index));
}
