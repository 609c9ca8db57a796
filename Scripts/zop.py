# Tollymop's main script. The engine imports it at start-up, calls
# initgame() once and everyloop() every frame. It makes the three objects that
# live for the whole run (the player, the trampoline at the centre of the
# arena and the lamp that lights it all), shows the splash and then the menu, and holds what every level
# shares: the level's frame (HUD, clock, cursor, camera, the keys that quit
# and go back to the menu, the lose trigger) and the road from one level to
# the next.
#
# A level is a module of its own (menu, level1, level2, level3, victory) with
# a loadlevel() function; this module must never define loadlevel itself, or
# it would hide every level's.
import sys

import ZOPAPI as Z

PLAYER = 1000
GROUND = 1001
GOAL = 1002
TRAMPOLINE = 1005
LAMP = 1010

# The game's one light hangs here for the whole run: high above the arena on
# the camera's side, out of view, so the player is lit from the front and
# its shadow falls on the sheet just behind where it will land.
LAMP_POSITION = (0.0, 100.0, -35.0)

# The order of the game; a level's place in it is what the data bank carries
# across a level change (see go_to).
LEVELS = ["menu", "level1", "level2", "level3", "victory"]

# Data-bank slot of the level being loaded: set by the level change's events,
# cleared by the level once it is built. Still set in two frames running
# means the level did not load.
LOADING_SLOT = 200
# Data-bank slot that scripts set to 1 while the player stands in the menu.
IN_MENU_SLOT = 201
# Data-bank slot of the level the player has reached (its place in LEVELS):
# the menu's Play goes on from there after a lost or left level.
REACHED_SLOT = 202
# The playing levels, in order.
PLAYING = ["level1", "level2", "level3"]

# Data-bank slots from 210 on: one for each character a level asks the
# player to catch, 1 once it is caught.
CAUGHT_SLOT = 210

# Where the player starts a level: above the middle of the trampoline.
START = (0.0, 6.0, 0.0)
# Seconds the player takes to glide back there from the ground.
RETURN_SECONDS = 1.5

# The start-up picture: seconds shown, then seconds of its fade.
SPLASH_SECONDS = 2.0
SPLASH_FADE = 1.2

SOUND_PICKUP = "Assets/Audio/Game/pickup.wav"
SOUND_CLICK = "Assets/Audio/Game/click.wav"
SOUND_OUCH = "Assets/Audio/Game/ouch.wav"
SOUND_WIN = "Assets/Audio/Game/win.wav"
SOUND_LOSE = "Assets/Audio/Game/lose.wav"
SOUND_TICK = "Assets/Audio/Game/tick.wav"
MUSIC_MENU = "Assets/Audio/Music/menu.wav"
MUSIC_VICTORY = "Assets/Audio/Music/victory.wav"


# What report() has written: a fault that comes back (a level that fails
# at every try) is said once.
_reported = set()


def report(text):
    """A line in the error stream (err.txt), the first time only; the game
    goes on."""
    if text in _reported:
        return
    _reported.add(text)
    sys.stderr.write("Error: " + text + "\n")
    sys.stderr.flush()


# --- Building blocks --------------------------------------------------------

def trigger(events, conditions, reusable=0):
    """Ties events to conditions; past the ten ids that one build takes,
    the further events are added one by one."""
    events, conditions = list(events), list(conditions)
    first = events[:max(1, 10 - len(conditions))]
    built = Z.BuildTrigger(reusable, len(first), len(conditions), *(first + conditions))
    for event in events[len(first):]:
        Z.AddEventToTrigger(built, event)
    return built


def at_once(events):
    """Runs the events in the next trigger pass."""
    return trigger(events, [Z.AddTimeCondition(0.0)])


def go_to(name):
    """The events that end this level and load the named one. A playing
    level becomes the level reached; the "you won" screen starts the next
    game at level 1."""
    events = [Z.AddSetNextLevelEvent(name), Z.AddSetPyVarIntEvent(LOADING_SLOT, LEVELS.index(name) + 1)]
    if name in PLAYING:
        events.append(Z.AddSetPyVarIntEvent(REACHED_SLOT, LEVELS.index(name)))
    elif name == "victory":
        events.append(Z.AddSetPyVarIntEvent(REACHED_SLOT, 0))
    return events + [Z.AddWinEvent()]


def level_reached():
    """The playing level the menu's Play goes on from."""
    reached = Z.GetInt(REACHED_SLOT)
    if 0 < reached < len(LEVELS) and LEVELS[reached] in PLAYING:
        return LEVELS[reached]
    return PLAYING[0]


def music(track):
    """Starts a track in the next trigger pass, in place of the one playing."""
    at_once([Z.AddNextMusicClipEvent(track)])


# The glyph grid: a glyph's square is GLYPH x size screen units, and a
# line's letters advance by ADVANCE of it. A letter's white fills about
# half its square: a whole square from one to the next spells a word out
# letter by letter.
GLYPH = 0.075
ADVANCE = 0.6
# Where right-aligned texts end.
RIGHT_EDGE = 0.97
# Lessons: the top line's place and size, the step to a second line, and
# the seconds a lesson takes to fade before the next one.
LESSON_Y = 0.45
LESSON_SIZE = 1.0
LESSON_ROW = 0.1
LESSON_FADE = 1.0


def wobble(size):
    """The random range of glyph sizes. Each step of it is 0.01 screen
    units whatever the size: a tenth of the glyph either way keeps the
    letters on one line."""
    return max(1, int(size * 1.5))


def width(line, size):
    """How far a line reaches from its left edge: its last glyph's place,
    that glyph's square and the largest random step."""
    return (len(line) - 1) * GLYPH * size * ADVANCE + GLYPH * size + 0.01 * (wobble(size) - 1 - wobble(size) // 2)


def text(line, x, y, size=1.0, glyphs=None):
    """A still line of glyph text; (x, y) is its top-left corner."""
    count = glyphs if glyphs else len(line) + 1
    return Z.AddText(line, size * ADVANCE, size, (x, y), count, wobble(size))


def centred(line, y, size=1.0):
    """A still line of glyph text centred across the screen."""
    return text(line, -width(line, size) / 2.0, y, size)


def right_aligned(line, y, size=1.0):
    """A still line of glyph text ending a little short of the right edge."""
    return text(line, RIGHT_EDGE - width(line, size), y, size)


def animated(line, y, size, rate):
    """A centred line whose letters pulse and bob a little, all together
    enough that the word still reads as one."""
    return Z.AddAnimatedText(line, size * ADVANCE, size, (-width(line, size) / 2.0, y), len(line) + 1,
                             wobble(size), rate, 0.05, 0.008)


def button(left, top, texture, label):
    """A button 0.6 wide and 0.15 high whose label, centred on it for four
    letters, pulses a little."""
    return Z.AddAnimatedButton(left, left + 0.6, top, top - 0.15, texture, "  " + label, 1.5 * ADVANCE, 1.5,
                               len(label) + 3, wobble(1.5), 2.0, 0.1, 0.01)


def hidden_text(line, y, size=1.0):
    """An empty text, centred for the line that an alter-text event will
    show in it later."""
    return text(" ", -width(line, size) / 2.0, y, size, len(line) + 1)


def lessons(steps, start=0.5, length=5.0, y=LESSON_Y):
    """Lessons shown one after the other in the middle of the screen: each
    step is a line or a tuple of lines shown together, for length seconds;
    it fades out and is gone before the next one appears."""
    now = Z.GetGameTime()
    for step in steps:
        lines = (step,) if isinstance(step, str) else step
        for row, line in enumerate(lines):
            shown = hidden_text(line, y - row * LESSON_ROW, LESSON_SIZE)
            trigger([Z.AddAlterTextEvent(shown, line, 1.0)], [Z.AddTimePassedCondition(now, start)])
            trigger([Z.AddFadeTextEvent(shown, 0.0, 1.0, 1.0, 1.0, 4.0)],
                    [Z.AddTimePassedCondition(now, start + length)])
            trigger([Z.AddAlterTextEvent(shown, " ", 1.0)],
                    [Z.AddTimePassedCondition(now, start + length + LESSON_FADE)])
        start += length + LESSON_FADE


def caption(title, goal):
    """The level's name and goal in the top-right corner, clear of the HUD
    (top left), the console (bottom) and the editors' labels and
    timeline."""
    right_aligned(title, 0.96, 1.0)
    right_aligned(goal, 0.86, 0.8)


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
    level_camera()
    Z.SetInt(IN_MENU_SLOT, 0)
    player_control(1)
    reset_player()
    back_on_the_sheet()
    music(track)
    trigger([Z.AddQuitGameEvent()], [Z.AddKeyTriggeredCondition("escape")])
    trigger(go_to("menu"), [Z.AddKeyTriggeredCondition("m")])
    add_lose_trigger(seconds)


def level_camera():
    """The camera follows the player from far enough out, and high enough,
    that a bounce off any edge of the sheet or as high as a dive sends it
    stays in view; the camera keys move it only within these ranges."""
    Z.CamSetRadiusRange(32.0, 40.0)
    Z.CamSetRadius(35.0)
    Z.CamSetYRange(18.0, 30.0)
    Z.CamSetYPosition(18.0)
    Z.CamUnlock()


def back_on_the_sheet():
    """Landing on the ground (bounced or knocked off the sheet) glides the
    player back above the trampoline; only a fall off the world's edge
    costs points."""
    now_and_again([Z.AddMoveObjEvent(PLAYER, START, RETURN_SECONDS)], Z.AddSingleSingleColCondition(PLAYER, GROUND),
                  RETURN_SECONDS + 0.5)


# The triggers of the level's time-up: the lose trigger first, then the
# last seconds' ticks and the way back to the menu. A win turns them all off.
_time_up = []


def add_lose_trigger(seconds):
    """When the level's time runs out: the lose event, a sound, a word, and
    after three seconds back to the menu."""
    global _time_up
    now = Z.GetGameTime()
    shown = hidden_text("Time is up!", 0.2, 1.6)
    out_of_time = Z.AddTimePassedCondition(now, seconds)
    _time_up = [trigger([Z.AddLoseEvent(), Z.AddNextMusicClipEvent("NOMUS"), Z.AddPlaySoundEvent(SOUND_LOSE),
                         Z.AddAlterTextEvent(shown, "Time is up!", 1.0)], [out_of_time])]
    # The ticks of the last five seconds.
    for second in range(5, 0, -1):
        if seconds > second:
            _time_up.append(trigger([Z.AddPlaySoundEvent(SOUND_TICK)],
                                    [Z.AddTimePassedCondition(now, seconds - second)]))
    _time_up.append(trigger(go_to("menu"), [Z.AddTimePassedCondition(now, seconds + 3.0)]))


def win_trigger(conditions, next_level, message="Well done!"):
    """When the conditions all hold: a sound and a word on screen, and two
    seconds later the next level. A win and the time-up exclude each other:
    whichever comes first ends the level and turns the other off (in one
    frame the time-up, built first, comes first)."""
    global _time_up
    shown = hidden_text(message, 0.2, 1.6)
    # Disabled until the win; a time-passed condition only counts the frames
    # in which it is evaluated, so its two seconds start with the win.
    leave = trigger(go_to(next_level), [Z.AddTimePassedCondition(0.0, 2.0)])
    Z.DisableTrigger(leave)
    events = [Z.AddPlaySoundEvent(SOUND_WIN), Z.AddAlterTextEvent(shown, message, 1.0), Z.AddEnableTriggerEvent(leave)]
    won = trigger(events + [Z.AddDisableTriggerEvent(t) for t in _time_up], conditions)
    if _time_up:
        Z.AddEventToTrigger(_time_up[0], Z.AddDisableTriggerEvent(won))
    _time_up = []
    return won


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


def menu_stage(in_menu):
    """A clean screen over the player bouncing still on the trampoline,
    seen by the menu's camera."""
    Z.ClearUIObjects()
    Z.SetInt(IN_MENU_SLOT, in_menu)
    player_control(0)
    reset_player()
    menu_camera()


def show_splash():
    """The start-up picture alone, over the menu's music; it fades after a
    moment, and the menu is built once nothing of it is left."""
    menu_stage(0)
    splash = Z.AddSplashScreen("splash.png", "NOTEXT")
    now = Z.GetGameTime()
    trigger([Z.AddFadeSplashScreenEvent(splash, 0.0, 1.0, 1.0, 1.0, 4.0)],
            [Z.AddTimePassedCondition(now, SPLASH_SECONDS)])
    trigger([Z.AddCallPyFuncEvent("menu_after_splash")],
            [Z.AddTimePassedCondition(now, SPLASH_SECONDS + SPLASH_FADE)])
    trigger([Z.AddQuitGameEvent()], [Z.AddKeyTriggeredCondition("escape")])
    music(MUSIC_MENU)


def say_not_loaded():
    """Under Play, once: the level that did not load, and why when its
    module did not import (the engine leaves that error in sys.last_value;
    err.txt and the console have it in full)."""
    global _not_loaded
    if _not_loaded is None:
        return
    name = _not_loaded
    _not_loaded = None
    if name in PLAYING:
        name = "Level %d" % (PLAYING.index(name) + 1)
    centred("%s did not load%s" % (name, import_error()), -0.2, 0.6)


def import_error():
    """": <error> at line <n>" for the last module that did not import,
    once; "" when there is none."""
    error = getattr(sys, "last_value", None)
    sys.last_type = sys.last_value = sys.last_traceback = None
    if error is None:
        return ""
    line = error.lineno if isinstance(error, SyntaxError) else None
    place = error.__traceback__
    while line is None and place is not None:
        if place.tb_next is None:
            line = place.tb_lineno
        place = place.tb_next
    return ": %s at line %s" % (type(error).__name__, line)


def menu_after_splash():
    """The splash has faded: the menu, whose music is already playing."""
    build_menu(False)


def build_menu(with_music=True):
    """The title, the fire, the Play and Quit buttons under the cursor, and
    the menu music. The player bounces on the trampoline behind it all."""
    menu_stage(1)
    Z.SetLevelTime(100.0)
    Z.AddFire(0.0, 6.0, 12.0, 9.0)
    animated("Tollymop", 0.8, 2.0, 2.0)
    play = button(-0.3, 0.15, "ButtonPlay.bmp", "Play")
    # Quit stays off the middle, where a level's steering tends to leave the
    # cursor (a click there starts a new game instead), and off the edges,
    # where steering pins it. Nothing goes lower: the console's lines and
    # the animation editor's timeline use the bottom of the screen.
    leave = button(0.35, -0.45, "ButtonQuit.bmp", "Quit")
    text("Mouse: steer", -0.93, -0.4, 0.8)
    text("Left: dive   Right: boost", -0.93, -0.5, 0.8)
    text("Escape: quit   M: menu", -0.93, -0.6, 0.8)
    Z.ShowCursor()
    if with_music:
        music(MUSIC_MENU)
    # Play goes on from the level reached: level 1 in a new game, the level
    # lost or left otherwise.
    reached = level_reached()
    if reached != PLAYING[0]:
        centred("Next: level %d" % (PLAYING.index(reached) + 1), -0.05, 0.8)
    say_not_loaded()
    trigger([Z.AddPlaySoundEvent(SOUND_CLICK)] + go_to(reached), [Z.AddButtonClickedCondition(play)])
    trigger([Z.AddPlaySoundEvent(SOUND_CLICK), Z.AddQuitGameEvent()], [Z.AddButtonClickedCondition(leave)])
    trigger([Z.AddQuitGameEvent()], [Z.AddKeyTriggeredCondition("escape")])
    level_built()


# --- Characters of a level --------------------------------------------------

# Where each roaming character of the level started (see sent_home).
_homes = {}


def character(ident, position, name, inverse_mass=10.0, scale=1.0, yaw=0.0):
    """A level character standing at position; inverse mass 0 pins it in
    the air."""
    Z.AddLevelNPC(ident, position, yaw, 0.0, scale, 0.0, inverse_mass, name)
    return ident


def collect(ident, points=10, more=()):
    """Touching this character scores and takes it away (and runs the
    further events)."""
    trigger([Z.AddModifyScoreEvent(points), Z.AddPlaySoundEvent(SOUND_PICKUP), Z.AddRemoveObjEvent(ident)]
            + list(more), [Z.AddSingleSingleColCondition(PLAYER, ident)])
    return ident


def hanging(ident, position, name="Sunny"):
    """A character pinned in the air."""
    return character(ident, position, name, 0.0, 1.0)


def catch_all(idents, points=10):
    """Makes each character collectable; the conditions returned hold once
    all of them are caught. A catch is kept in the data bank, so a fall's
    penalty never takes it back."""
    caught = []
    for n, ident in enumerate(idents):
        slot = CAUGHT_SLOT + n
        Z.SetInt(slot, 0)
        collect(ident, points, [Z.AddSetPyVarIntEvent(slot, 1)])
        caught.append(Z.AddPyVarIntCondition(slot, 1))
    return caught


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


# Seconds a character that hurt the player rests before it can again, and
# the seconds it takes to glide back where it started.
HURT_REST = 2.0
HOME_SECONDS = 1.5


def sent_home(ident):
    """The events that glide a roaming character back where it started, so
    that none stays on the trampoline where the player lands."""
    home = _homes.get(ident)
    return [Z.AddMoveObjEvent(ident, home, HOME_SECONDS)] if home else []


def hazard(ident, points):
    """Touching this character costs points once, with a yelp; it goes back
    where it started and cannot cost more for a while."""
    now_and_again([Z.AddModifyScoreEvent(-points), Z.AddPlaySoundEvent(SOUND_OUCH)] + sent_home(ident),
                  Z.AddSingleSingleColCondition(PLAYER, ident), HURT_REST)


def shover(ident, speed=80.0):
    """Touching this character throws the player up in the air, with a
    yelp; it goes back where it started."""
    now_and_again([Z.AddSetObjectVelocityEvent(PLAYER, (0.0, speed, 0.0)), Z.AddPlaySoundEvent(SOUND_OUCH)]
                  + sent_home(ident), Z.AddSingleSingleColCondition(PLAYER, ident), HURT_REST)


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


def roamer(ident, position, name):
    """A character that moves about by itself and remembers its start."""
    _homes[ident] = position
    return character(ident, position, name, 100.0, 1.0)


def chaser(ident, position, name="Pebble"):
    """A character that hops after the player."""
    roamer(ident, position, name)
    Z.CreateLevelAI(2, ident)
    return ident


def runner(ident, position, name="Veggie"):
    """A character that wanders off whenever the player comes near."""
    roamer(ident, position, name)
    Z.CreateLevelAI(3, ident)
    return ident


def wanderer(ident, position, name="Weed"):
    """A character that wanders about by itself."""
    roamer(ident, position, name)
    Z.CreateLevelAI(4, ident)
    return ident


# --- Entry points called by the engine --------------------------------------

def initgame():
    # Ten by ten cells, two units apart: a sheet 20 units wide at the centre.
    Z.AddRectTramp(TRAMPOLINE, (0.0, 0.0, 0.0), 10, 10, 2.0, 0.0, 0.0, 0.0)
    Z.AddPC(START, 0.0, 0.0, 1.0)
    # Pinned (inverse mass 0) and global: no level change takes it away.
    Z.AddGlobalNPC(LAMP, LAMP_POSITION, 0.0, 0.0, 1.0, 0.0, 0.0, "Lamp")
    show_splash()


def everyloop():
    watch_level_change()


# The loading slot's value at the last frame, when it was set.
_seen_loading = 0
# The level that did not load, for the menu to say so once.
_not_loaded = None


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
    global _not_loaded
    _not_loaded = name
    if name == "menu":
        build_menu()
    else:
        at_once(go_to("menu"))
