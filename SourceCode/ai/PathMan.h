#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "ai/Path.h"
#include "core/System.h"

// "PathMan": owns every path, numbers them from 0 and answers the script
// functions that build and shape them. Paths live until PathMan shuts down,
// across level changes; ids are never reused.
class PathMan : public System {
public:
    PathMan() = default;
    ~PathMan() override;

    // Arguments ignored.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;

    // A new empty path (single, speed 0.1, time 1); returns its id.
    std::uint32_t CreatePath();
    // Null for an id that was never handed out. The pointer stays valid
    // until PathMan shuts down.
    Path* GetPath(std::uint32_t id);
    // Leaves the speed as it is until the time is set again.
    bool AddPointToPath(std::uint32_t id, float x, float y, float z);
    // The time of the whole path; the speed follows from it. Refused for a
    // time that is not above 0.
    bool SetPathTime(std::uint32_t id, float time);
    // Refused for a speed that is not above 0; the time stays as it is.
    bool SetPathSpeed(std::uint32_t id, float speed);
    bool SetPathMode(std::uint32_t id, std::uint32_t mode);

    std::uint32_t NextId() const { return nextId; }

private:
    std::vector<std::unique_ptr<Path>> paths;
    std::uint32_t nextId = 0;
};
