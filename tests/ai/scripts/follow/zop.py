# The follow-camera picture's game: a trampoline at the centre of the ground
# and the player above it.
import ZOPAPI as Z


def initgame():
    Z.AddRectTramp(1005, (0.0, -5.0, 0.0), 10, 10, 2.0, 0.0, 0.0, 0.0)
    Z.AddPC((0.0, 5.0, 0.0), 0.0, 0.0, 1.0)


def everyloop():
    pass
