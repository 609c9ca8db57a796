# The game's main script. The engine imports it at start-up, calls
# initgame() once and everyloop() every frame; the game's own menus and
# levels will replace this small start: a trampoline at the centre of the
# ground, the player above it and the HUD.
import ZOPAPI

TRAMPOLINE_ID = 1005


def initgame():
    # Columns, rows and the spacing of the nodes; the last three numbers are
    # not used by the engine.
    ZOPAPI.AddRectTramp(TRAMPOLINE_ID, (0.0, -5.0, 0.0), 10, 10, 2.0, 0.0, 0.0, 0.0)
    ZOPAPI.AddPC((0.0, 5.0, 0.0), 0.0, 0.0, 1.0)
    ZOPAPI.AddHUD()
    ZOPAPI.SetLevelTime(100.0)


def everyloop():
    pass
