# A game whose main script makes a folder of its own current as it starts,
# as a script that reads or writes files of its own may: the game's own files
# (the start script's key bindings, sounds, music, level modules) must still
# be found where the game started.
import os

import ZOPAPI as Z


def initgame():
    os.makedirs("elsewhere", exist_ok=True)
    os.chdir("elsewhere")
    Z.AddPC((0.0, 0.0, 0.0), 0.0, 0.0, 1.0)


def everyloop():
    pass
