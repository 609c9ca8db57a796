// "Input" inside the application: its place among the children and the
// window procedure's activation message.
#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "core/SystemNames.h"
#include "core/WinMain.h"
#include "core/eTable.h"
#include "input/InputFixture.h"

namespace {

TEST_F(InputFixture, ApplicationCreatesInputAndActivationMovesTheMouse) {
    DIva::ResetStartedFlagForTests();
    DIva app;
    ASSERT_TRUE(app.Init(&pair, nullptr));
    auto* input = static_cast<Input*>(eTable::Peek(names::Input));
    ASSERT_NE(input, nullptr);
    const auto& children = app.Children();
    ASSERT_GE(children.size(), 2u);
    EXPECT_LT(std::distance(children.begin(), std::find(children.begin(), children.end(), input)),
              std::distance(children.begin(),
                            std::find(children.begin(), children.end(), eTable::Peek(names::Timer))));
    ASSERT_TRUE(input->HasMouse());

    // A key down reaches "Input" through the application's frame.
    PushKey(SDL_SCANCODE_ESCAPE, true);
    plat::PumpEvents();
    app.Update();
    EXPECT_TRUE(input->IsKeyDown(plat::DIK_ESCAPE, 0));

    PushMotion(6, 0);
    plat::PumpEvents();
    EXPECT_EQ(WndProc(window, plat::WM_ACTIVATE, plat::WA_INACTIVE, 0), 0);
    EXPECT_FALSE(input->HasMouse());
    EXPECT_EQ(input->MouseX(), 6) << "movement before the release still counts";
    WndProc(window, plat::WM_ACTIVATE, plat::WA_CLICKACTIVE, 0);
    EXPECT_FALSE(input->HasMouse());
    WndProc(window, plat::WM_ACTIVATE, plat::WA_ACTIVE | (1u << 16), 0);
    EXPECT_TRUE(input->HasMouse());

    app.Shutdown();
    EXPECT_EQ(eTable::Peek(names::Input), nullptr);
    // Without a running application the message changes nothing (and
    // touches no freed system).
    EXPECT_EQ(WndProc(window, plat::WM_ACTIVATE, plat::WA_INACTIVE, 0), 0);
}

TEST_F(InputFixture, ApplicationStopsWhenTheInputCannotStart) {
    DIva::ResetStartedFlagForTests();
    plat::SetDirectInputFaults({plat::DI_OK, plat::DI_OK, plat::DIERR_GENERIC});
    DIva app;
    EXPECT_FALSE(app.Init(&pair, nullptr));
    plat::SetDirectInputFaults({});
    // Shown once, by the input system.
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{"Failed to aquire mouse!"}));
    EXPECT_EQ(eTable::Count(), 0);
}

}  // namespace
