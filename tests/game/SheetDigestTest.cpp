// The shipped game puts its trampoline at the origin. Level 1 played by the
// pilot must move every node, draw every vertex and make every contact
// exactly as the game did before a sheet could be put anywhere else: the
// digest below was taken from that game, over the same run.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "Video/ObjectMesh.h"
#include "core/Random.h"
#include "game/GameSession.h"
#include "world/Trampoline.h"

namespace {

// FNV-1a over the bytes of what is added.
class Digest {
public:
    template <typename T>
    void Add(const T& value) {
        unsigned char bytes[sizeof value];
        std::memcpy(bytes, &value, sizeof value);
        for (unsigned char b : bytes) hash = (hash ^ b) * 0x100000001B3ull;
    }
    std::uint64_t Value() const { return hash; }

private:
    std::uint64_t hash = 0xCBF29CE484222325ull;
};

void AddFrame(Digest& digest, const Trampoline& sheet) {
    for (const Point& point : sheet.body->points) digest.Add(point.position);
    std::vector<CustomVertex> vertices(sheet.records.size());
    if (sheet.Sheet()->GetVertices(vertices.data(), 0, 0))
        for (const CustomVertex& v : vertices) digest.Add(v);
    for (const Contact& contact : eTable::Find<Physics>(names::Physics)->Contacts()) {
        digest.Add(contact.normal);
        digest.Add(contact.depth);
        digest.Add(contact.firstOwnerId);
        digest.Add(contact.secondOwnerId);
    }
}

}  // namespace

TEST(SheetDigest, LevelOneMovesDrawsAndTouchesTheSheetAtTheOriginAsBefore) {
    Random::Seed(49);
    GameSession game(ScopedTempDir::RepositoryRoot() / "Scripts", 160, 120);
    ASSERT_TRUE(game.ok());
    game.Frames(10);
    ChangeLevel(game, "level1");
    Pilot pilot(game);
    Digest digest;
    int contacts = 0;
    for (int frame = 0; frame < 400 && game.Running(); ++frame) {
        pilot.Toward({1.0f, 12.0f, 1.0f});
        game.Frame(16);
        auto* sheet = static_cast<Trampoline*>(game.Object(objectid::kTrampoline));
        ASSERT_TRUE(sheet && sheet->body);
        AddFrame(digest, *sheet);
        contacts += int(eTable::Find<Physics>(names::Physics)->Contacts().size());
    }
    EXPECT_GT(contacts, 0);  // the player met the sheet
    EXPECT_EQ(digest.Value(), 0xdd64bc9967078c56ull) << std::hex << digest.Value();
}
