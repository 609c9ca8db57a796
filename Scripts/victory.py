# After level 3: "you won", the victory music, and back to the menu by the
# button or after a while.
import ZOPAPI as Z

import zop


def loadlevel():
    Z.ClearUIObjects()
    zop.player_control(0)
    zop.menu_camera()
    Z.AddFire(0.0, 6.0, 12.0, 9.0)
    # A black veil that clears to a dim one over the bouncing player.
    veil = Z.AddSplashScreen("NOTEX", "NOTEXT")
    zop.at_once([Z.AddFadeSplashScreenEvent(veil, 0.45, 0.0, 0.0, 0.0, 1.5)])
    zop.animated("You won!", 0.6, 2.0, 3.0)
    zop.centred("Thanks for playing", 0.2, 1.0)
    menu = zop.button(-0.3, -0.3, "ButtonBack.bmp", "Menu")
    Z.ShowCursor()
    zop.music(zop.MUSIC_VICTORY)
    zop.trigger([Z.AddPlaySoundEvent(zop.SOUND_CLICK)] + zop.go_to("menu"), [Z.AddButtonClickedCondition(menu)])
    zop.trigger(zop.go_to("menu"), [Z.AddTimePassedCondition(Z.GetGameTime(), 30.0)])
    zop.trigger([Z.AddQuitGameEvent()], [Z.AddKeyTriggeredCondition("escape")])
    Z.SetInt(zop.IN_MENU_SLOT, 1)
    zop.level_built()
