# Level 2: land in the basket beside the trampoline. A bouncing bonus
# character is worth catching on the way; the weeds that wander about cost
# points, and a pebble comes after the player.
import ZOPAPI as Z

import zop

SECONDS = 100.0
MUSIC = "Assets/Audio/Music/drift.wav"
BASKET = (0.0, 2.0, 15.0)
BASKET_SIZE = 3.0


def loadlevel():
    zop.begin_level(SECONDS, MUSIC)
    Z.SetBackColor(0.55, 0.5, 0.8, 1.0)
    zop.caption("Level 2", "Land in the basket")
    zop.lessons([("Bounce over to the basket", "behind the trampoline")])
    Z.AddLevelBasket(BASKET, BASKET_SIZE)
    zop.patrol(3020, [(-8.0, 8.0, 4.0), (8.0, 8.0, 4.0)], 6.0, "Sunny", "reversing")
    zop.bonus(3020, 5)
    zop.wanderer(3021, (-16.0, 0.0, 6.0))
    zop.wanderer(3022, (16.0, 0.0, 6.0))
    zop.hazard(3021, 5)
    zop.hazard(3022, 5)
    zop.runner(3023, (-16.0, 0.0, -12.0))
    zop.bonus(3023, 10)
    zop.chaser(3024, (16.0, 0.0, -16.0))
    zop.hazard(3024, 10)
    zop.win_trigger([Z.AddSingleSingleColCondition(zop.PLAYER, zop.GOAL)], "level3")
    zop.level_built()
