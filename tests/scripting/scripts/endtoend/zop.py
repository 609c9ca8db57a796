# The main script of the end-to-end test: a start level with a trampoline,
# the player and a basket, and a trigger that moves on to "testlevel" once
# the test sets data-bank word 0.
import ZOPAPI as Z


def initgame():
    Z.SetInt(5, Z.AddRectTramp(1005, (0.0, -5.0, 0.0), 6, 6, 2.0, 0.0, 0.0, 0.0))
    Z.SetInt(6, Z.AddPC((0.0, 5.0, 0.0), 0.0, 0.0, 1.0))
    Z.AddLevelBasket((20.0, 0.0, 20.0), 3.0)
    go = Z.AddPyVarIntCondition(0, 1)
    Z.BuildTrigger(0, 2, 1, Z.AddSetNextLevelEvent("testlevel"), Z.AddWinEvent(), go)


def everyloop():
    Z.SetInt(3, Z.GetInt(3) + 1)
