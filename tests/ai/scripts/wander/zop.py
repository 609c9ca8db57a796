# The AI end-to-end test's game: the player at the centre of the ground and
# four characters around it, one chasing it, one fleeing it, one wandering
# and one walking a square path.
import ZOPAPI as Z

CHASER, FLEER, WANDERER, WALKER = 10, 11, 12, 13
# Inverse mass of the characters (the last word but one of AddGlobalNPC).
LIGHTNESS = 1.0
SQUARE = [(6.0, 0.0, 6.0), (6.0, 0.0, -6.0), (-6.0, 0.0, -6.0), (-6.0, 0.0, 6.0)]


def character(id, x, z, name):
    Z.AddGlobalNPC(id, (x, 0.0, z), 0.0, 0.0, 1.0, 0.0, LIGHTNESS, name)


def initgame():
    Z.AddPC((0.0, 0.0, 0.0), 0.0, 0.0, 1.0)
    character(CHASER, 20.0, 0.0, "Pebble")
    character(FLEER, 1.0, 1.0, "Weed")
    character(WANDERER, -5.0, -5.0, "Seed")
    character(WALKER, 6.0, 0.0, "Sunny")

    Z.SetInt(0, Z.CreateGlobalAI(2, CHASER))
    Z.SetInt(1, Z.CreateGlobalAI(3, FLEER))
    Z.SetInt(2, Z.CreateGlobalAI(4, WANDERER))
    walker = Z.CreateGlobalAI(1, WALKER)
    path = Z.CreatePath()
    for point in SQUARE:
        Z.AddPointToPath(path, point)
    Z.SetPathCyclic(path)
    Z.SetPathSpeed(path, 12.0)
    Z.AssignPathToAI(walker, path)
    Z.SetInt(3, walker)


def everyloop():
    pass
