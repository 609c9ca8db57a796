# Level 3, the hard one: a small basket far out and high, which only counts
# once the player has 20 points: the two suns that circle above the
# trampoline. Pebbles chase the player (and the trampoline throws them
# about); a touch of them, or of the wandering weed, throws the player off
# course. The clock is short.
import ZOPAPI as Z

import zop

SECONDS = 80.0
MUSIC = "Assets/Audio/Music/chase.wav"
BASKET = (-12.0, 6.0, 12.0)
BASKET_SIZE = 2.0
NEEDED = 20


def loadlevel():
    zop.begin_level(SECONDS, MUSIC)
    Z.SetBackColor(0.35, 0.2, 0.3, 1.0)
    zop.text("Level 3: 20 points, then the basket", -0.95, -0.8, 0.7)
    zop.lesson("Catch the circling suns", 0.5, 0.5, 5.0)
    zop.lesson("then land in the basket", 0.4, 0.5, 5.0)
    Z.AddLevelBasket(BASKET, BASKET_SIZE)
    ring = [(6.0, 9.0, 0.0), (0.0, 9.0, 6.0), (-6.0, 9.0, 0.0), (0.0, 9.0, -6.0)]
    zop.collect(zop.patrol(3030, ring, 12.0, "Sunny"))
    zop.collect(zop.patrol(3031, ring[2:] + ring[:2], 12.0, "Sunny"))
    zop.shover(zop.chaser(3032, (14.0, 0.0, -14.0)))
    zop.shover(zop.chaser(3033, (-14.0, 0.0, -14.0)))
    zop.bonus(zop.runner(3034, (16.0, 0.0, 16.0)), 5)
    zop.shover(zop.wanderer(3035, (0.0, 0.0, -18.0)), 50.0)
    zop.win_trigger([Z.AddScoreCondition(NEEDED), Z.AddSingleSingleColCondition(zop.PLAYER, zop.GOAL)],
                    "victory", "You made it!")
    zop.level_built()
