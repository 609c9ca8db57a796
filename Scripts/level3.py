# Level 3, the hard one: a small basket far out and high, which only opens
# once the player has 40 points; two suns circle high above the trampoline,
# pebbles chase the player and every touch of them costs dearly. The clock
# is short.
import ZOPAPI as Z

import zop

SECONDS = 80.0
MUSIC = "Assets/Audio/Music/chase.wav"
BASKET = (-12.0, 6.0, 12.0)
BASKET_SIZE = 2.0
NEEDED = 40


def loadlevel():
    zop.begin_level("level3", SECONDS, MUSIC)
    Z.SetBackColor(0.35, 0.2, 0.3, 1.0)
    zop.text("Level 3: 40 points, then the basket", -0.95, -0.8, 0.7)
    zop.lesson("Catch the circling suns", 0.5, 0.5, 5.0)
    zop.lesson("then land in the basket", 0.4, 0.5, 5.0)
    Z.AddLevelBasket(BASKET, BASKET_SIZE)
    ring = [(7.0, 12.0, 0.0), (0.0, 12.0, 7.0), (-7.0, 12.0, 0.0), (0.0, 12.0, -7.0)]
    zop.patrol(3030, ring, 8.0, "Sunny")
    zop.patrol(3031, ring[2:] + ring[:2], 8.0, "Sunny")
    zop.bonus(3030, 10)
    zop.bonus(3031, 10)
    zop.chaser(3032, (14.0, 0.0, -14.0))
    zop.chaser(3033, (-14.0, 0.0, -14.0))
    zop.hazard(3032, 15)
    zop.hazard(3033, 15)
    zop.runner(3034, (16.0, 0.0, 16.0))
    zop.bonus(3034, 10)
    zop.wanderer(3035, (0.0, 0.0, -18.0))
    zop.hazard(3035, 5)
    zop.win_trigger([Z.AddScoreCondition(NEEDED), Z.AddSingleSingleColCondition(zop.PLAYER, zop.GOAL)],
                    "victory", "You made it!")
    zop.level_built()
