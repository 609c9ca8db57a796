#include <gtest/gtest.h>

#include <algorithm>

#include "characters/Player.h"
#include "world/GameRun.h"
#include "world/Physics.h"
#include "world/Trampoline.h"

// The game's own set-up: the 10 x 10 trampoline made first, then the player
// above its centre, and a light character hopping on the ground right under
// the sheet's edge, as a character that follows the player about ends up.
// Bounce after bounce the player pulls the edge down into the hopper's
// reach; the sheet must stay a sheet hanging from its corners, never stand
// up, and the player's bounce must go on as before.
TEST(SheetUndersideTest, AHopperUnderTheEdgeNeverLiftsTheSheetWhileThePlayerBounces) {
    GameRun game;
    ASSERT_TRUE(game.ok());
    Trampoline* sheet = game.CreateSheet();
    ASSERT_TRUE(sheet->IsInitialized());
    Player* player = game.CreatePlayer();
    ASSERT_NE(player->body, nullptr);
    player->body->SetPositionXYZ(0.0f, 6.0f, 0.0f);
    ObjectDesc hopperDesc;
    hopperDesc.kind = kKindNPC;
    GameObject* hopper = game.objects->CreateObject(&hopperDesc);
    ASSERT_NE(hopper->body, nullptr);
    // Under the middle node of the far edge (0, 0, 10), bouncing without
    // loss on the ground (its top at -5) between -4 and -1.
    hopper->body->points[0].inverseMass = 100.0f;
    hopper->body->SetPositionXYZ(0.0f, -1.0f, 9.6f);

    float highestNode = -1e9f, lowestCentre = 0.0f, apex = -1e9f;
    int launches = 0;
    float lastVy = 0.0f;
    for (int frame = 0; frame < 2500; ++frame) {
        game.Frame();
        for (std::size_t k = 1; k < sheet->body->points.size(); ++k)
            highestNode = std::max(highestNode, sheet->body->points[k].position.y);
        lowestCentre = std::min(lowestCentre, sheet->body->points[1 + 5 * 11 + 5].position.y);
        const Point& p = player->body->points[0];
        if (frame > 500) apex = std::max(apex, p.position.y);
        if (lastVy < 0.0f && p.velocity.y > 0.0f) ++launches;
        lastVy = p.velocity.y;
    }
    // The nodes start at 0 and only the corners are held there.
    EXPECT_LE(highestNode, 0.05f);
    EXPECT_LT(lowestCentre, -2.0f);  // the player still sinks it
    EXPECT_GT(launches, 10);
    EXPECT_GT(apex, 6.0f);
    EXPECT_LT(apex, 20.0f);
}
