# The end-to-end test's level: a basket right under the falling player, two
# characters (one walking a path, one chasing), the HUD, and a win trigger on
# the player reaching the basket's goal.
import ZOPAPI as Z


def loadlevel():
    Z.SetInt(0, 0)
    Z.SetInt(1, Z.GetInt(1) + 1)
    Z.AddLevelBasket((0.0, 3.0, 0.0), 2.0)
    Z.AddLevelNPC(10, (5.0, 2.0, 0.0), 0.0, 0.0, 1.0, 0.0, 1.0, "Pebble")
    Z.AddLevelNPC(11, (-5.0, 2.0, 0.0), 0.0, 0.0, 1.0, 0.0, 1.0, "Weed")

    path = Z.CreatePath()
    for point in [(5.0, 2.0, 0.0), (5.0, 2.0, 8.0), (-5.0, 2.0, 8.0)]:
        Z.AddPointToPath(path, point)
    Z.SetPathTime(path, 4.0)
    Z.SetPathCyclic(path)
    walker = Z.CreateLevelAI(1, 10)
    Z.AssignPathToAI(walker, path)
    Z.SetInt(7, walker)
    Z.SetInt(8, Z.CreateLevelAI(2, 11))

    Z.AddHUD()
    Z.SetLevelTime(60.0)
    goal = Z.AddSingleSingleColCondition(1000, 1002)
    Z.BuildTrigger(0, 2, 1, Z.AddModifyScoreEvent(10), Z.AddCallPyFuncEvent("won"), goal)


def won():
    Z.SetInt(2, 1)
