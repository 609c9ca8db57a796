# Level 3, the hard one: a small basket far out and high, which only counts
# once the player has caught the two suns that circle above the trampoline
# (a fall costs points, never a catch). Pebbles chase the player (and the
# trampoline throws them about); a touch of them, or of the wandering weed,
# throws the player off course. The clock is short.
import ZOPAPI as Z

import zop

SECONDS = 80.0
MUSIC = "Assets/Audio/Music/chase.wav"
BASKET = (-12.0, 6.0, 12.0)
BASKET_SIZE = 2.0


def loadlevel():
    zop.begin_level(SECONDS, MUSIC)
    Z.SetBackColor(0.35, 0.2, 0.3, 1.0)
    zop.caption("Level 3", "Both suns - then the basket")
    zop.lessons([("Catch the circling suns", "then land in the basket")])
    Z.AddLevelBasket(BASKET, BASKET_SIZE)
    ring = [(6.0, 8.0, 0.0), (0.0, 8.0, 6.0), (-6.0, 8.0, 0.0), (0.0, 8.0, -6.0)]
    suns = [zop.patrol(3030, ring, 20.0, "Sunny"), zop.patrol(3031, ring[2:] + ring[:2], 20.0, "Sunny")]
    caught = zop.catch_all(suns)
    zop.shover(zop.chaser(3032, (14.0, 0.0, -14.0)))
    zop.shover(zop.chaser(3033, (-14.0, 0.0, -14.0)))
    zop.bonus(zop.runner(3034, (16.0, 0.0, 16.0)), 5)
    zop.shover(zop.wanderer(3035, (0.0, 0.0, -18.0)), 50.0)
    zop.win_trigger(caught + [Z.AddSingleSingleColCondition(zop.PLAYER, zop.GOAL)], "victory", "You made it!")
    zop.level_built()
