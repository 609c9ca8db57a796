# Tollymop's main script. The engine imports it at start-up, calls
# initgame() once and everyloop() every frame. It makes the two objects that
# live for the whole run (the player and the trampoline at the centre of the
# arena), builds the menu, and holds what every level shares: the level's
# frame (HUD, clock, cursor, camera, the keys that quit and go back to the
# menu, the lose trigger) and the road from one level to the next.
#
# A level is a module of its own (menu, level1, level2, level3, victory) with
# a loadlevel() function; this module must never define loadlevel itself, or
# it would hide every level's.
import sys

import ZOPAPI as Z

PLAYER = 1000
GOAL = 1002
TRAMPOLINE = 1005

# The order of the game; a level's place in it is what the data bank carries
# across a level change (see go_to).
LEVELS = ["menu", "level1", "level2", "level3", "victory"]

# Data-bank slot of the level being loaded: set by the level change's events,
# cleared by the level once it is built. Still set in two frames running
# means the level did not load.
LOADING_SLOT = 200
# Data-bank slot that scripts set to 1 while the player stands in the menu.
IN_MENU_SLOT = 201

# Where the player starts a level: above the middle of the trampoline.
START = (0.0, 6.0, 0.0)

SOUND_PICKUP = "Assets/Audio/Game/pickup.wav"
SOUND_CLICK = "Assets/Audio/Game/click.wav"
SOUND_OUCH = "Assets/Audio/Game/ouch.wav"
SOUND_WIN = "Assets/Audio/Game/win.wav"
SOUND_LOSE = "Assets/Audio/Game/lose.wav"
SOUND_TICK = "Assets/Audio/Game/tick.wav"
MUSIC_MENU = "Assets/Audio/Music/menu.wav"
MUSIC_VICTORY = "Assets/Audio/Music/victory.wav"


def report(text):
    """A line in the error stream (err.txt); the game goes on."""
    sys.stderr.write("Error: " + text + "\n")
    sys.stderr.flush()


# --- Building blocks --------------------------------------------------------

def trigger(events, conditions, reusable=0):
    """Ties events to conditions (at most ten ids in all)."""
    return Z.BuildTrigger(reusable, len(events), len(conditions), *(list(events) + list(conditions)))


def at_once(events):
    """Runs the events in the next trigger pass."""
    return trigger(events, [Z.AddTimeCondition(0.0)])


def go_to(name):
    """The events that end this level and load the named one."""
    return [Z.AddSetNextLevelEvent(name),
            Z.AddSetPyVarIntEvent(LOADING_SLOT, LEVELS.index(name) + 1),
            Z.AddWinEvent()]


def music(track):
    """Starts a track in the next trigger pass, in place of the one playing."""
    at_once([Z.AddNextMusicClipEvent(track)])


def text(line, x, y, size=1.0, glyphs=None):
    """A still line of glyph text; (x, y) is its top-left corner."""
    count = glyphs if glyphs else len(line) + 1
    # Glyph sizes vary by up to 0.02 either way: small text keeps them even.
    wobble = 5 if size >= 0.9 else 1
    return Z.AddText(line, size, size, (x, y), count, wobble)


def hidden_text(line, y, size=1.0):
    """An empty text, centred for the line that an alter-text event will
    show in it later (a glyph advances 0.075 x size)."""
    return text(" ", -len(line) * 0.075 * size / 2.0, y, size, len(line) + 1)


def lesson(line, y, start, length):
    """Text that appears start seconds into the level and fades out after
    length seconds."""
    shown = hidden_text(line, y, 0.8)
    now = Z.GetGameTime()
    trigger([Z.AddAlterTextEvent(shown, line, 1.0)], [Z.AddTimePassedCondition(now, start)])
    trigger([Z.AddFadeTextEvent(shown, 0.0, 1.0, 1.0, 1.0, 1.5)], [Z.AddTimePassedCondition(now, start + length)])
    return shown


def reset_player():
    """Puts the player back above the trampoline, still, and resets the
    level's score."""
    at_once([Z.AddMoveObjEvent(PLAYER, START, 0.0),
             Z.AddSetObjectVelocityEvent(PLAYER, (0.0, 0.0, 0.0)),
             Z.AddModifyScoreEvent(-Z.GetCurrentScore())])


def player_control(on):
    """Whether the mouse steers the player (not in the menu)."""
    try:
        Z.SetPlayerControl(on)
    except RuntimeError:
        # An engine without the player's control: the mouse then steers the
        # player in the menu too, which does no harm.
        pass


# --- The frame of every level -----------------------------------------------

def begin_level(seconds, track):
    """What every playing level starts with: a clean screen with the HUD and
    its clock, no cursor, the camera following the player, the level's music,
    Escape to quit, M back to the menu, and losing when the time runs out."""
    Z.ClearUIObjects()
    Z.AddHUD()
    Z.SetLevelTime(seconds)
    Z.HideCursor()
    # The camera follows the player again, no lower than the menu's left it.
    Z.CamSetYRange(15.0, 40.0)
    Z.CamSetYPosition(15.0)
    Z.CamUnlock()
    Z.SetInt(IN_MENU_SLOT, 0)
    player_control(1)
    reset_player()
    music(track)
    trigger([Z.AddQuitGameEvent()], [Z.AddKeyTriggeredCondition("escape")])
    trigger(go_to("menu"), [Z.AddKeyTriggeredCondition("m")])
    add_lose_trigger(seconds)


def add_lose_trigger(seconds):
    """When the level's time runs out: the lose event, a sound, a word, and
    after three seconds back to the menu."""
    now = Z.GetGameTime()
    shown = hidden_text("Time is up!", 0.2, 1.6)
    out_of_time = Z.AddTimePassedCondition(now, seconds)
    trigger([Z.AddLoseEvent(), Z.AddNextMusicClipEvent("NOMUS"), Z.AddPlaySoundEvent(SOUND_LOSE),
             Z.AddAlterTextEvent(shown, "Time is up!", 1.0)], [out_of_time])
    # The ticks of the last five seconds.
    for second in range(5, 0, -1):
        if seconds > second:
            trigger([Z.AddPlaySoundEvent(SOUND_TICK)], [Z.AddTimePassedCondition(now, seconds - second)])
    trigger(go_to("menu"), [Z.AddTimePassedCondition(now, seconds + 3.0)])


def win_trigger(conditions, next_level, message="Well done!"):
    """When the conditions all hold: a sound and a word on screen, and two
    seconds later the next level."""
    shown = hidden_text(message, 0.2, 1.6)
    # Disabled until the win; a time-passed condition only counts the frames
    # in which it is evaluated, so its two seconds start with the win.
    leave = trigger(go_to(next_level), [Z.AddTimePassedCondition(0.0, 2.0)])
    Z.DisableTrigger(leave)
    return trigger([Z.AddPlaySoundEvent(SOUND_WIN), Z.AddAlterTextEvent(shown, message, 1.0),
                    Z.AddEnableTriggerEvent(leave)], conditions)


def level_built():
    """The level is complete: the level-change watch can rest."""
    Z.SetInt(LOADING_SLOT, 0)


# --- The menu ---------------------------------------------------------------

def menu_camera():
    """The camera holds still, level with the top of the player's bounce,
    looking across the trampoline at the menu's fire."""
    Z.CamLock()
    Z.CamSetYRange(2.0, 40.0)
    Z.CamSetRotationAngle(0.0)
    Z.CamSetAngle(0.0)
    Z.CamSetRadius(25.0)
    Z.CamSetYPosition(6.0)


def build_menu(first):
    """The title, the fire, the Play and Quit buttons under the cursor, and
    the menu music. The player bounces on the trampoline behind it all."""
    Z.ClearUIObjects()
    Z.SetInt(IN_MENU_SLOT, 1)
    Z.SetLevelTime(100.0)
    player_control(0)
    reset_player()
    menu_camera()
    Z.AddFire(0.0, 6.0, 12.0, 9.0)
    if first:
        # The start-up splash: the title picture, fading to the menu.
        splash = Z.AddSplashScreen("splash.png", "NOTEXT")
        trigger([Z.AddFadeSplashScreenEvent(splash, 0.0, 1.0, 1.0, 1.0, 1.2)],
                [Z.AddTimePassedCondition(Z.GetGameTime(), 1.5)])
    Z.AddAnimatedText("Tollymop", 1.6, 2.0, (-0.48, 0.8), 9, 6, 2.0, 0.15, 0.04)
    play = Z.AddAnimatedButton(-0.3, 0.3, 0.15, 0.0, "ButtonPlay.bmp", " Play", 1.5, 1.5, 6, 4, 2.0, 0.2, 0.02)
    leave = Z.AddAnimatedButton(-0.3, 0.3, -0.15, -0.3, "ButtonQuit.bmp", " Quit", 1.5, 1.5, 6, 4, 2.0, 0.2, 0.02)
    text("Mouse: steer   Left: dive   Right: boost", -0.9, -0.6, 0.6)
    text("Escape: quit   M: menu", -0.9, -0.7, 0.6)
    Z.ShowCursor()
    music(MUSIC_MENU)
    # A new game starts at level 1.
    trigger([Z.AddPlaySoundEvent(SOUND_CLICK)] + go_to("level1"), [Z.AddButtonClickedCondition(play)])
    trigger([Z.AddPlaySoundEvent(SOUND_CLICK), Z.AddQuitGameEvent()], [Z.AddButtonClickedCondition(leave)])
    trigger([Z.AddQuitGameEvent()], [Z.AddKeyTriggeredCondition("escape")])
    level_built()


# --- Characters of a level --------------------------------------------------

def character(ident, position, name, inverse_mass=10.0, scale=1.0, yaw=0.0):
    """A level character standing at position; inverse mass 0 pins it in
    the air."""
    Z.AddLevelNPC(ident, position, yaw, 0.0, scale, 0.0, inverse_mass, name)
    return ident


def collect(ident, points=10):
    """Touching this character scores and takes it away."""
    trigger([Z.AddModifyScoreEvent(points), Z.AddPlaySoundEvent(SOUND_PICKUP), Z.AddRemoveObjEvent(ident)],
            [Z.AddSingleSingleColCondition(PLAYER, ident)])
    return ident


def pickup(ident, position, points=10, name="Sunny"):
    """A character hanging in the air, to be collected."""
    character(ident, position, name, 0.0, 1.0)
    return collect(ident, points)


def now_and_again(events, condition, rest=2.0):
    """A trigger that runs the events when the condition holds, then rests
    for the given seconds before it can run again (a touch lasts several
    frames)."""
    main = Z.AddTrigger()
    resting = Z.AddTimePassedCondition(0.0, rest)
    # The rest is counted only while its trigger is enabled; it starts again
    # from nothing each time.
    wake = trigger([Z.AddEnableTriggerEvent(main), Z.AddAlterTimeElapsedCondEvent(resting, 0.0)], [resting])
    Z.DisableTrigger(wake)
    for event in events + [Z.AddEnableTriggerEvent(wake)]:
        Z.AddEventToTrigger(main, event)
    Z.AddConditionToTrigger(main, condition)
    return main


def hazard(ident, points):
    """Touching this character costs points, with a yelp."""
    now_and_again([Z.AddModifyScoreEvent(-points), Z.AddPlaySoundEvent(SOUND_OUCH)],
                  Z.AddSingleSingleColCondition(PLAYER, ident))


def shover(ident, speed=80.0):
    """Touching this character throws the player up in the air, with a
    yelp."""
    now_and_again([Z.AddSetObjectVelocityEvent(PLAYER, (0.0, speed, 0.0)), Z.AddPlaySoundEvent(SOUND_OUCH)],
                  Z.AddSingleSingleColCondition(PLAYER, ident))


def bonus(ident, points):
    """Catching this character scores, again after a rest."""
    now_and_again([Z.AddModifyScoreEvent(points), Z.AddPlaySoundEvent(SOUND_PICKUP)],
                  Z.AddSingleSingleColCondition(PLAYER, ident))


def patrol(ident, points, seconds, name="Seed", mode="cyclic"):
    """A pinned character that follows the points, the whole round taking
    the given seconds."""
    character(ident, points[0], name, 0.0, 1.0)
    path = Z.CreatePath()
    for point in points:
        Z.AddPointToPath(path, point)
    if mode == "cyclic":
        Z.SetPathCyclic(path)
    elif mode == "reversing":
        Z.SetPathReversing(path)
    else:
        Z.SetPathSingle(path)
    Z.SetPathTime(path, seconds)
    ai = Z.CreateLevelAI(1, ident)
    Z.AssignPathToAI(ai, path)
    return ident


def chaser(ident, position, name="Pebble"):
    """A character that hops after the player."""
    character(ident, position, name, 100.0, 1.0)
    Z.CreateLevelAI(2, ident)
    return ident


def runner(ident, position, name="Veggie"):
    """A character that wanders off whenever the player comes near."""
    character(ident, position, name, 100.0, 1.0)
    Z.CreateLevelAI(3, ident)
    return ident


def wanderer(ident, position, name="Weed"):
    """A character that wanders about by itself."""
    character(ident, position, name, 100.0, 1.0)
    Z.CreateLevelAI(4, ident)
    return ident


# --- Entry points called by the engine --------------------------------------

def initgame():
    # Ten by ten cells, two units apart: a sheet 20 units wide at the centre.
    Z.AddRectTramp(TRAMPOLINE, (0.0, 0.0, 0.0), 10, 10, 2.0, 0.0, 0.0, 0.0)
    Z.AddPC(START, 0.0, 0.0, 1.0)
    build_menu(True)


def everyloop():
    watch_level_change()


# The loading slot's value at the last frame, when it was set.
_seen_loading = 0


def watch_level_change():
    """A level change whose module did not load (missing, or its loadlevel
    raised) leaves the loading slot set: seen set in two frames running, say
    so and go back to the menu, or build the menu here when it is the menu
    that failed. (A slot set by a level change of this very frame is seen
    once before its level clears it.)"""
    global _seen_loading
    loading = Z.GetInt(LOADING_SLOT)
    if loading <= 0 or loading != _seen_loading:
        _seen_loading = loading
        return
    _seen_loading = 0
    Z.SetInt(LOADING_SLOT, 0)
    name = LEVELS[loading - 1] if loading <= len(LEVELS) else str(loading)
    report("level \"%s\" did not load; back to the menu." % name)
    if name == "menu":
        build_menu(False)
    else:
        at_once(go_to("menu"))
