# The menu as a level: where the game goes back to after a lost level, the
# "you won" screen or the M key. The menu itself lives in zop, which also
# builds it at start-up once the splash has faded.
import zop


def loadlevel():
    zop.build_menu()
