# Level 1, the easy one: three suns hang around the trampoline, and the
# level teaches the controls on screen while the player collects them.
# Catching all three wins (a fall costs points, never a catch); the clock is
# generous.
import ZOPAPI as Z

import zop

SECONDS = 120.0
MUSIC = "Assets/Audio/Music/bounce.wav"
SUNS = [(3001, (0.0, 14.0, 0.0)),   # straight up, only a dive's bounce reaches it
        (3002, (5.0, 6.0, 0.0)),    # to the right: steer
        (3003, (-5.0, 6.0, 0.0))]   # to the left


def loadlevel():
    zop.begin_level(SECONDS, MUSIC)
    Z.SetBackColor(0.45, 0.65, 0.9, 1.0)
    zop.caption("Level 1", "Catch the three suns")
    zop.lessons(["Move the mouse to steer",
                 ("Hold the left button as you land", "for a higher bounce"),
                 "Right button: float in the air"])
    for ident, position in SUNS:
        zop.hanging(ident, position)
    caught = zop.catch_all([ident for ident, _ in SUNS])
    # The locals of the arena, harmless here: one walks a round, one
    # wanders, one runs from the player and one follows it about.
    zop.patrol(3010, [(-14.0, 2.0, 14.0), (14.0, 2.0, 14.0), (14.0, 2.0, 20.0), (-14.0, 2.0, 20.0)], 16.0)
    zop.wanderer(3011, (-16.0, 0.0, -4.0))
    zop.runner(3012, (16.0, 0.0, -4.0))
    zop.chaser(3013, (0.0, 0.0, 22.0))
    zop.win_trigger(caught, "level2")
    zop.level_built()
